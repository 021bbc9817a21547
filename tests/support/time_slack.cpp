#include "tests/support/time_slack.h"

#include <cstdlib>

namespace qx {

double time_slack() {
    const char* text = std::getenv("QX_TIME_SLACK");
    const double slack = text != nullptr ? std::atof(text) : 1.0;
    return slack >= 1.0 ? slack : 1.0;
}

}  // namespace qx
