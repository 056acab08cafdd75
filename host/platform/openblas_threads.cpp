#include "openblas_threads.h"

#include <dlfcn.h>

namespace xefhost {

namespace {

using GetThreads = int (*)();
using SetThreads = void (*)(int);

GetThreads getBlasThreads() {
    return reinterpret_cast<GetThreads>(dlsym(RTLD_DEFAULT, "openblas_get_num_threads"));
}

SetThreads setBlasThreads() {
    return reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "openblas_set_num_threads"));
}

} // namespace

OneBlasThreadEach::OneBlasThreadEach() {
    const GetThreads get = getBlasThreads();
    const SetThreads set = setBlasThreads();
    if (get && set) {
        previous_ = get();
        set(1);
    }
}

OneBlasThreadEach::~OneBlasThreadEach() {
    if (previous_ > 0) {
        setBlasThreads()(previous_);
    }
}

} // namespace xefhost
