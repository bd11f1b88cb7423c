#include "power_meter.h"

namespace gpibsim {

PowerMeter::PowerMeter(double powerDbm)
    : ScpiInstrument("Simulated,Power Meter,0,1.0"), powerDbm_(powerDbm) {
    // MEASure<channel>? [expected value, resolution, (@sensor)]: every parameter may default.
    addQuery("MEASure#[:SCALar][:POWer][:AC]",
             [this](const Invocation&) { reply(formatNumber("%+.8E", powerDbm_)); });
}

}  // namespace gpibsim
