// Places where a test build of the text service fails on purpose, to show
// that a fault is contained; in the shipped DLL they do nothing.
#pragma once

namespace miradot {

enum class FaultSite {
    Key,          // handling a key
    EditSession,  // inside an edit session the document granted
};

void fault_point(FaultSite site);

}  // namespace miradot
