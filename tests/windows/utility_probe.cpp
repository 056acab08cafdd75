// Links only when the library defines every utility routine the Windows host checks.
#include "XEMUtility.h"

int main() {
    double value = 0.0;
    double* row = &value;
    int error = 0;
    XEMCondense(&row, &value, &value, &value, 0, 0, &error);
    XEMRecover(&value, &value, &value, 0, 0);
    return static_cast<int>(XEMSum(&value, 0)) + error;
}
