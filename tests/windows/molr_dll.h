// MOLR.W64.dll as a Windows host sees it: loaded by name with LoadLibrary, entered only through the
// address GetProcAddress gives for its one export.
#ifndef MOLR_WINDOWS_MOLR_DLL_H
#define MOLR_WINDOWS_MOLR_DLL_H

#include "XEFRecords.h"

#include <type_traits>

using SetElSpecRoutine = int (*)(ElSpec* es, int* idata, int intCode, int dataMode);
static_assert(std::is_same<SetElSpecRoutine, decltype(&XEFSetElSpec)>::value,
              "the host's view of the export matches its declaration");

class MolrDll {
  public:
    explicit MolrDll(const char* path);
    ~MolrDll();
    MolrDll(const MolrDll&) = delete;
    MolrDll& operator=(const MolrDll&) = delete;

    bool loaded() const { return module_ != nullptr; }
    // Null when the DLL does not export the name.
    void* lookup(const char* name) const;
    SetElSpecRoutine setElSpec() const;
    // True when address lies in the DLL's own mapped image: static data that lives while it is
    // loaded, as every address the library hands over must.
    bool owns(const void* address) const;

  private:
    void* module_;
};

#endif
