/* Labrig: radio measurements with a spectrum analyser (GPIB address 20) and a power meter
 * (GPIB address 13).
 *
 * Every call blocks until its measurement is done. Results are integers: frequencies in MHz,
 * frequency errors in ppm, levels and powers in hundredths of a dB or dBm. The library keeps one
 * current instrument, the one opened last by ChkSpecAna or ChkPowMeter, and sends every later
 * command to it. State is per process and unguarded: callers serialise their calls.
 *
 * Each operation exists twice: a C++ entry (the name below) and a C entry with the prefix VB
 * and the same arguments and result (all but Delay1, GPIBCleanup and round).
 *
 * The GPIB library is loaded on the first bus call: the file named by LABRIG_GPIB_LIBRARY, else
 * libgpib.so.0 (GPIB-32.DLL on Windows). When it cannot be loaded every open and measurement
 * fails. */
#ifndef LABRIG_LABRIG_H
#define LABRIG_LABRIG_H

#include <kvexport.h>

/* "OK" results below: 1 when the last bus call succeeded, else 0. */
KV_EXTERN_C LABRIG_API int KV_STDCALL VBChkSpecAna(void);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBChkPowMeter(void);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBSpecOffLine(void);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBPwrOffLine(void);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBSetSpecRST(void);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBSetSpecDispON(void);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBSetSpecCenFrq(int centreMhz);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBSetSpecRLATT(int referenceDbm, int attenuationDb);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBSetSpecBW(int resolutionMhz, int videoKhz);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBSetSpecPars(int centreMhz, int spanMhz, int referenceDbm);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBReadSpecCarrierFrq(void);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBReadSpecCarrierFrqAcc(short nominalMhz);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBReadSpecSideLobePwr(int* first, int* second);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBReadSpecSideLobePwr1(int* first, int* second);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBStartSpurSweetTest(void);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBReadPowerMeter(void);
KV_EXTERN_C LABRIG_API int KV_STDCALL VBLabrigDLLVersion(void);

#ifdef __cplusplus
/* Opens the analyser (address 20) or the power meter (address 13) and makes it the current
 * instrument: 1 on success, 0 when the device does not answer a device clear. */
LABRIG_API int KV_CDECL ChkSpecAna();
LABRIG_API int KV_CDECL ChkPowMeter();
/* Take the current instrument off line; OK. */
LABRIG_API int KV_CDECL SpecOffLine();
LABRIG_API int KV_CDECL PwrOffLine();
/* Takes the given device descriptor off line; -1 is ignored. */
LABRIG_API void KV_CDECL GPIBCleanup(int device);

/* Analyser set-up; OK. */
LABRIG_API int KV_CDECL SetSpecRST();
LABRIG_API int KV_CDECL SetSpecDispON();
LABRIG_API int KV_CDECL SetSpecCenFrq(int centreMhz);
LABRIG_API int KV_CDECL SetSpecRLATT(int referenceDbm, int attenuationDb);
LABRIG_API int KV_CDECL SetSpecBW(int resolutionMhz, int videoKhz);
/* Reference level, attenuation (reference + 10 dB), centre, span, 1 MHz / 100 kHz bandwidths
 * and a 2 dB peak excursion. */
LABRIG_API int KV_CDECL SetSpecPars(int centreMhz, int spanMhz, int referenceDbm);

/* Carrier frequency in MHz; 0 on a bus error or when no carrier is above -35 dBm. */
LABRIG_API int KV_CDECL ReadSpecCarrierFrq();
/* Frequency error against the nominal channel frequency in ppm; 100 when no carrier is seen or
 * the set-up fails, 0 when the marker cannot be read. */
LABRIG_API int KV_CDECL ReadSpecCarrierFrqAcc(short nominalMhz);
/* Side-lobe levels relative to the carrier in hundredths of a dB, by three delta markers or by
 * a peak search: 1 when measured, 0 otherwise (outputs then untouched). */
LABRIG_API int KV_CDECL ReadSpecSideLobePwr(int* first, int* second);
LABRIG_API int KV_CDECL ReadSpecSideLobePwr1(int* first, int* second);
/* Spurious-emission sweep from 100 MHz to 7.5 GHz: 1 pass, 0 fail. */
LABRIG_API int KV_CDECL StartSpurSweetTest();
/* Power in hundredths of a dBm; 0 on a bus error. Prints "Data read: <reply>" on stdout. */
LABRIG_API int KV_CDECL ReadPowerMeter();
/* 100, for version 1.00. */
LABRIG_API int KV_CDECL LabrigDLLVersion();

/* Busy-waits 500000 rounds of an empty count to n. */
LABRIG_API void KV_CDECL Delay1(int n);

/* The library's rounding step: x + 1 when x >= 0 and its fraction is at least 0.5, x - 1 when
 * x < 0 and the fraction of -x is at least 0.5, else x. Truncating the result rounds half away
 * from zero. It has the name of the C library's round() but C++ linkage, so the two cannot be
 * declared in one translation unit: define LABRIG_DECLARE_ROUND to get this declaration, and
 * do not include <math.h>/<cmath> in that file. */
#ifdef LABRIG_DECLARE_ROUND
LABRIG_API double KV_CDECL round(double x);
#endif
#endif /* __cplusplus */

#endif /* LABRIG_LABRIG_H */
