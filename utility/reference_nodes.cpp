// Topology codes and the reference-node tables of the 18 topologies.
//
// Each topology's table is the first rows of its shape's table; the rows are spelled once per shape
// below and every topology gets a table of its own, also where two topologies share a node set.
#include "XEMUtility.h"

#include <cstring>

// Line: ends, midpoint.
#define MOLR_LINE_ENDS -1.0, 0.0, 0.0, 1.0, 0.0, 0.0
#define MOLR_LINE_MIDPOINT 0.0, 0.0, 0.0

// Triangle, as the three area coordinates: corners, then midpoints of edges 1-2, 2-3, 3-1.
#define MOLR_TRIANGLE_CORNERS 1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0
#define MOLR_TRIANGLE_MIDEDGES 0.5, 0.5, 0.0, 0.0, 0.5, 0.5, 0.5, 0.0, 0.5

// Quadrilateral: corners counter-clockwise from (-1, -1), midpoints of edges 1-2, 2-3, 3-4, 4-1,
// centre.
#define MOLR_QUAD_CORNERS -1.0, -1.0, 0.0, 1.0, -1.0, 0.0, 1.0, 1.0, 0.0, -1.0, 1.0, 0.0
#define MOLR_QUAD_MIDEDGES 0.0, -1.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0, -1.0, 0.0, 0.0
#define MOLR_QUAD_CENTRE 0.0, 0.0, 0.0

// Tetrahedron: corners, then midpoints of edges 1-2, 2-3, 3-1, 1-4, 2-4, 3-4.
#define MOLR_TETRAHEDRON_CORNERS 1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0
#define MOLR_TETRAHEDRON_MIDEDGES                                                                  \
    0.5, 0.5, 0.0, 0.0, 0.5, 0.5, 0.5, 0.0, 0.5, 0.5, 0.0, 0.0, 0.0, 0.5, 0.0, 0.0, 0.0, 0.5

// Hexahedron: the lower face's corners counter-clockwise from (-1, -1, -1), the upper face's above
// them; midpoints of the lower face's edges, of the vertical edges, of the upper face's edges; the
// centres of the lower face, of the side faces over edges 1-2, 2-3, 3-4, 4-1, of the upper face;
// the centre.
#define MOLR_HEX_CORNERS                                                                           \
    -1.0, -1.0, -1.0, 1.0, -1.0, -1.0, 1.0, 1.0, -1.0, -1.0, 1.0, -1.0, -1.0, -1.0, 1.0, 1.0,      \
        -1.0, 1.0, 1.0, 1.0, 1.0, -1.0, 1.0, 1.0
#define MOLR_HEX_MIDEDGES                                                                          \
    0.0, -1.0, -1.0, 1.0, 0.0, -1.0, 0.0, 1.0, -1.0, -1.0, 0.0, -1.0, -1.0, -1.0, 0.0, 1.0, -1.0,  \
        0.0, 1.0, 1.0, 0.0, -1.0, 1.0, 0.0, 0.0, -1.0, 1.0, 1.0, 0.0, 1.0, 0.0, 1.0, 1.0, -1.0,    \
        0.0, 1.0
#define MOLR_HEX_FACE_CENTRES                                                                      \
    0.0, 0.0, -1.0, 0.0, -1.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0, -1.0, 0.0, 0.0, 0.0, 0.0, 1.0
#define MOLR_HEX_CENTRE 0.0, 0.0, 0.0

extern "C" {

const char* const Topology[18] = {"L1", "L2", "T1", "T2", "Q1", "Q2", "C1", "C2",  "P1",
                                  "P2", "S1", "S2", "O1", "O2", "H1", "H2", "Q2S", "H2S"};

const double topL1[6] = {MOLR_LINE_ENDS};
const double topL2[9] = {MOLR_LINE_ENDS, MOLR_LINE_MIDPOINT};
const double topT1[9] = {MOLR_TRIANGLE_CORNERS};
const double topT2[18] = {MOLR_TRIANGLE_CORNERS, MOLR_TRIANGLE_MIDEDGES};
const double topQ1[12] = {MOLR_QUAD_CORNERS};
const double topQ2[27] = {MOLR_QUAD_CORNERS, MOLR_QUAD_MIDEDGES, MOLR_QUAD_CENTRE};
const double topC1[6] = {MOLR_LINE_ENDS};
const double topC2[9] = {MOLR_LINE_ENDS, MOLR_LINE_MIDPOINT};
const double topP1[9] = {MOLR_TRIANGLE_CORNERS};
const double topP2[18] = {MOLR_TRIANGLE_CORNERS, MOLR_TRIANGLE_MIDEDGES};
const double topS1[12] = {MOLR_QUAD_CORNERS};
const double topS2[24] = {MOLR_QUAD_CORNERS, MOLR_QUAD_MIDEDGES};
const double topO1[12] = {MOLR_TETRAHEDRON_CORNERS};
const double topO2[30] = {MOLR_TETRAHEDRON_CORNERS, MOLR_TETRAHEDRON_MIDEDGES};
const double topH1[24] = {MOLR_HEX_CORNERS};
const double topH2[81] = {MOLR_HEX_CORNERS, MOLR_HEX_MIDEDGES, MOLR_HEX_FACE_CENTRES,
                          MOLR_HEX_CENTRE};
const double topQ2S[24] = {MOLR_QUAD_CORNERS, MOLR_QUAD_MIDEDGES};
const double topH2S[60] = {MOLR_HEX_CORNERS, MOLR_HEX_MIDEDGES};
}

namespace {

// The table of each entry of Topology, in the same order.
const double* const kTopologyTables[18] = {topL1, topL2, topT1, topT2, topQ1,  topQ2,
                                           topC1, topC2, topP1, topP2, topS1,  topS2,
                                           topO1, topO2, topH1, topH2, topQ2S, topH2S};

} // namespace

extern "C" const double* XEFSetReferenceNodes(const char* code) {
    // Every entry of Topology is compared, "Q2S" and "H2S" included, since their tables are part
    // of the catalogue; the codes are distinct, so the last match is the only one.
    const double* table = nullptr;
    for (int k = 0; k < 18; ++k) {
        if (std::strcmp(code, Topology[k]) == 0) {
            table = kTopologyTables[k];
        }
    }
    return table;
}
