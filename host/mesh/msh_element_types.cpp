#include "msh_element_types.h"

namespace xefhost {

namespace {

// Gmsh's numbering: linear and second-order elements, then higher-order ones.
constexpr MshElementType types[] = {
    {1, 2, 1},   // line
    {2, 3, 2},   // triangle
    {3, 4, 2},   // quadrangle
    {4, 4, 3},   // tetrahedron
    {5, 8, 3},   // hexahedron
    {6, 6, 3},   // prism
    {7, 5, 3},   // pyramid
    {8, 3, 1},   // second-order line
    {9, 6, 2},   // second-order triangle
    {10, 9, 2},  // second-order quadrangle
    {11, 10, 3}, // second-order tetrahedron
    {12, 27, 3}, // second-order hexahedron
    {13, 18, 3}, // second-order prism
    {14, 14, 3}, // second-order pyramid
    {15, 1, 0},  // point
    {16, 8, 2},  // serendipity quadrangle
    {17, 20, 3}, // serendipity hexahedron
    {18, 15, 3}, // serendipity prism
    {19, 13, 3}, // serendipity pyramid
    {20, 9, 2},  // incomplete third-order triangle
    {21, 10, 2}, // third-order triangle
    {22, 12, 2}, // incomplete fourth-order triangle
    {23, 15, 2}, // fourth-order triangle
    {24, 15, 2}, // incomplete fifth-order triangle
    {25, 21, 2}, // fifth-order triangle
    {26, 4, 1},  // third-order line
    {27, 5, 1},  // fourth-order line
    {28, 6, 1},  // fifth-order line
    {29, 20, 3}, // third-order tetrahedron
    {30, 35, 3}, // fourth-order tetrahedron
    {31, 56, 3}, // fifth-order tetrahedron
    {92, 64, 3}, // third-order hexahedron
    {93, 125, 3} // fourth-order hexahedron
};

} // namespace

const MshElementType* findMshElementType(int gmshType) {
    for (const MshElementType& type : types) {
        if (type.gmshType == gmshType) {
            return &type;
        }
    }
    return nullptr;
}

} // namespace xefhost
