// The simulated SCPI power meter: it measures one configured power.
#pragma once

#include "scpi_instrument.h"

namespace gpibsim {

class PowerMeter : public ScpiInstrument {
public:
    explicit PowerMeter(double powerDbm);

    void setPower(double powerDbm) { powerDbm_ = powerDbm; }

protected:
    void reset() override {}

private:
    double powerDbm_;
};

}  // namespace gpibsim
