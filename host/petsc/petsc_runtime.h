// PETSc's life in this process: initialised once, when a solve asks for it, with the problem's
// options and then the command line's (the later wins, as PETSc users expect), and finalised when
// the object goes. MPI comes up with it; a singleton process needs no mpirun.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace xefhost {

// A PETSc call failed; the message names the call and PETSc's reason.
class PetscError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Throws PetscError naming `what` unless code is 0 (PETSc's success).
void requirePetsc(int code, const char* what);

// This process's rank and the number of ranks in PETSC_COMM_WORLD, once the runtime is up.
int thisRank();
int rankCount();

class PetscRuntime {
  public:
    // problemOptions: a text as PETSc's options database takes it ("-pc_type cholesky");
    // arguments: the command line's words meant for PETSc ("-ksp_rtol", "1e-10").
    PetscRuntime(const std::string& problemOptions, const std::vector<std::string>& arguments);
    ~PetscRuntime();
    PetscRuntime(const PetscRuntime&) = delete;
    PetscRuntime& operator=(const PetscRuntime&) = delete;

    // Processes in PETSC_COMM_WORLD.
    int ranks() const;
};

} // namespace xefhost
