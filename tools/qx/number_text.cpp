#include "tools/qx/number_text.h"

#include "interface/damage_log.h"

namespace qx {

std::string grouped(int64_t value) {
    return grouped_number(value);
}

std::string counted(int64_t count, const std::string& noun) {
    return grouped(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace qx
