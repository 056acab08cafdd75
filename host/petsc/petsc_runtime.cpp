#include "petsc_runtime.h"

#include "crash_report.h"
#include "signal_cleanup.h"

#include <petscsys.h>

namespace xefhost {

void requirePetsc(int code, const char* what) {
    if (code == 0) {
        return;
    }
    const char* reason = nullptr;
    PetscErrorMessage(static_cast<PetscErrorCode>(code), &reason, nullptr);
    throw PetscError(std::string("PETSc: ") + what +
                     " failed: " + (reason ? reason : "error " + std::to_string(code)));
}

PetscRuntime::PetscRuntime(const std::string& problemOptions,
                           const std::vector<std::string>& arguments) {
    // The host reports crashes and interruptions itself; PETSc's handler would take them over.
    requirePetsc(PetscOptionsSetValue(nullptr, "-no_signal_handler", nullptr), "setting options");
    // The options go in before initialisation, which reads those it acts on (-log_view starts
    // the event log there; set later, it made finalisation view a log that never began).
    requirePetsc(PetscOptionsInsertString(nullptr, problemOptions.c_str()), "[solve] options");
    std::string line;
    for (const std::string& argument : arguments) {
        line += argument + " ";
    }
    requirePetsc(PetscOptionsInsertString(nullptr, line.c_str()), "command-line options");
    requirePetsc(PetscInitializeNoArguments(), "initialisation");
    // Errors come back as codes, turned into exceptions here, instead of a printed traceback.
    requirePetsc(PetscPushErrorHandler(PetscReturnErrorHandler, nullptr), "setting error handler");
    // MPI may have put handlers of its own in place of the host's.
    installCrashReport();
    installInterruptCleanup();
}

PetscRuntime::~PetscRuntime() {
    PetscFinalize();
}

int thisRank() {
    PetscMPIInt rank = 0;
    MPI_Comm_rank(PETSC_COMM_WORLD, &rank);
    return rank;
}

int rankCount() {
    PetscMPIInt size = 1;
    MPI_Comm_size(PETSC_COMM_WORLD, &size);
    return size;
}

int PetscRuntime::ranks() const {
    return rankCount();
}

} // namespace xefhost
