// Stand-in HSAPI.DLL: the HotSync entry points the program binds, none of them doing anything.
#include "testbed/stub_export.h"

TESTBED_STUB(HsGetApiVersion)
TESTBED_STUB(HsGetSyncStatus)
TESTBED_STUB(HsCheckApiStatus)
TESTBED_STUB(HsDisplayCustomDlg)
TESTBED_STUB(HsDisplayLog)
TESTBED_STUB(HsDisplayFileLink)
TESTBED_STUB(HsResetComm)
TESTBED_STUB(HsSetCommStatus)
TESTBED_STUB(HsGetCommStatus)
TESTBED_STUB(HsSetAppStatus)
TESTBED_STUB(HsRefreshConduitInfo)
