#pragma once
// Saving every host store at once, as the program does after bookmarks
// change: the host tree first (with its registry index), then the
// quick-connect history. Errors propagate; a failure of the first leaves
// the second unsaved.

#include "hosts/Hosts.h"
#include "hosts/QuickHosts.h"

inline void SaveHostStores(THosts& hosts, TQuickHosts& quickHosts)
{
    hosts.Save();
    quickHosts.Save();
}
