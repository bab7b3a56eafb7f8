#include "fault_point.h"

namespace miradot {

void fault_point(FaultSite) {}

}  // namespace miradot
