// The groups of checks the Windows test host runs against the loaded DLL.
#ifndef MOLR_WINDOWS_CHECKS_H
#define MOLR_WINDOWS_CHECKS_H

#include "check_log.h"
#include "molr_dll.h"

// What XEFSetElSpec writes at each byte offset of the host's record, and what it leaves alone.
void checkDescription(CheckLog& log, const MolrDll& dll);
// SKR and SPP reached through the addresses in the record, on the worked example.
void checkKernels(CheckLog& log, const MolrDll& dll);
// Bitwise results of the utility layer, linked statically from the same objects as the DLL.
void checkUtilities(CheckLog& log);

#endif
