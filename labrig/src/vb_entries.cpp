// The plain C twins of the operations, for callers that cannot use C++ names.
#include <labrig/labrig.h>

int KV_STDCALL VBChkSpecAna(void) {
    return ChkSpecAna();
}
int KV_STDCALL VBChkPowMeter(void) {
    return ChkPowMeter();
}
int KV_STDCALL VBSpecOffLine(void) {
    return SpecOffLine();
}
int KV_STDCALL VBPwrOffLine(void) {
    return PwrOffLine();
}
int KV_STDCALL VBSetSpecRST(void) {
    return SetSpecRST();
}
int KV_STDCALL VBSetSpecDispON(void) {
    return SetSpecDispON();
}
int KV_STDCALL VBSetSpecCenFrq(int centreMhz) {
    return SetSpecCenFrq(centreMhz);
}
int KV_STDCALL VBSetSpecRLATT(int referenceDbm, int attenuationDb) {
    return SetSpecRLATT(referenceDbm, attenuationDb);
}
int KV_STDCALL VBSetSpecBW(int resolutionMhz, int videoKhz) {
    return SetSpecBW(resolutionMhz, videoKhz);
}
int KV_STDCALL VBSetSpecPars(int centreMhz, int spanMhz, int referenceDbm) {
    return SetSpecPars(centreMhz, spanMhz, referenceDbm);
}
int KV_STDCALL VBReadSpecCarrierFrq(void) {
    return ReadSpecCarrierFrq();
}
int KV_STDCALL VBReadSpecCarrierFrqAcc(short nominalMhz) {
    return ReadSpecCarrierFrqAcc(nominalMhz);
}
int KV_STDCALL VBReadSpecSideLobePwr(int* first, int* second) {
    return ReadSpecSideLobePwr(first, second);
}
int KV_STDCALL VBReadSpecSideLobePwr1(int* first, int* second) {
    return ReadSpecSideLobePwr1(first, second);
}
int KV_STDCALL VBStartSpurSweetTest(void) {
    return StartSpurSweetTest();
}
int KV_STDCALL VBReadPowerMeter(void) {
    return ReadPowerMeter();
}
int KV_STDCALL VBLabrigDLLVersion(void) {
    return LabrigDLLVersion();
}
