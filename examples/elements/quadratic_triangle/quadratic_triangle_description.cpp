// XEFSetElSpec: the description of the six-node plane-strain triangle "QT6", the library's one
// export. Fills every field a host reads, as the records header lays them out; data defaults to
// E = 200, nu = 0.3 when the host asks for them (dataMode -1).
#include "XEMUtility.h"
#include "quadratic_triangle.h"

namespace {

const char* const dataNames[2] = {"E -Young modulus", "$[Nu]$ -Poisson ratio"};
const double defaults[2] = {200.0, 0.3};
const char* const pointNames[7] = {"$[Epsilon]$xx", "$[Epsilon]$yy", "$[Gamma]$xy", "$[Sigma]$xx",
                                   "$[Sigma]$yy",   "$[Sigma]$xy",   "$[Sigma]$zz"};
const char* const nodalNames[2] = {"ux", "uy"};
const char* const nodeIds[6] = {"D", "D", "D", "D", "D", "D"};
const int nodeDofs[6] = {2, 2, 2, 2, 2, 2};
// The outline through corners and midpoints, closed by 0, then the corners alone.
const int segments[11] = {1, 4, 2, 5, 3, 6, 0, 1, 2, 3, -1};
const double nodeWeights[6] = {1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
const double version[3] = {1.0, 1.0, 12.3};
const char* const emptyList[1] = {""};

// "{Hold[Null], Hold[Null]}" as a header (0, length) and one 32-bit code per character.
constexpr char kInitialisationText[] = "{Hold[Null], Hold[Null]}";
constexpr int kInitialisationLength = sizeof(kInitialisationText) - 1;
struct InitialisationCode {
    int codes[2 + kInitialisationLength];
};
constexpr InitialisationCode makeInitialisationCode() {
    InitialisationCode code{};
    code.codes[1] = kInitialisationLength;
    for (int i = 0; i < kInitialisationLength; ++i) {
        code.codes[2 + i] = static_cast<unsigned char>(kInitialisationText[i]);
    }
    return code;
}
constexpr InitialisationCode initialisationCode = makeInitialisationCode();

// Scratch cells handed to the host; the element never reads them.
double esdat;
int ndat[3];
int nsto[3];
int nspecs[3];
int rdindex;
int idindex;
double dswitch;
int iswitch;

// Hammer, Marlowe and Stroud's three interior points, exact for the degree-2 integrand of a
// straight-sided element.
constexpr int kDefaultIntCode = 35;

} // namespace

extern "C" XEF_EXPORT int XEFSetElSpec(ElSpec* es, int* idata, int intCode, int dataMode) {
    if (dataMode == -1) {
        es->data = defaults;
    }
    es->codeName = "QT6";
    es->tangentKernel = QuadraticTriangleTangent;
    es->postKernel = QuadraticTrianglePost;
    es->dimensions = 2;
    es->dofCount = quadratic_triangle::kDofs;
    es->int156 = 0;
    es->nodeCount = quadratic_triangle::kNodes;
    es->dataCount = 2;
    es->segmentCount = 11;
    es->gpostCount = 7;
    es->npostCount = 2;
    es->int196 = 1;
    for (int& z : es->zero212) {
        z = 0;
    }
    es->defaultIntCode = kDefaultIntCode;
    es->int232 = 0;
    es->zero240 = 0;
    es->int248 = 0;
    es->int256 = 0;
    for (int& z : es->zero264) {
        z = 0;
    }
    es->int276 = 327;
    es->topology = "T2";
    es->referenceNodes = XEFSetReferenceNodes("T2");
    es->dataNames = dataNames;
    es->gpostNames = pointNames;
    es->npostNames = nodalNames;
    es->segments = segments;
    es->nodeDofs = nodeDofs;
    es->expression408 = "{} & ";
    es->nodeIds = nodeIds;
    es->expression424 = "{Null,Null,Null,Null,Null,Null}";
    es->cswitch = emptyList;
    es->sname = emptyList;
    for (const char*& text : es->emptyTexts464) {
        text = "";
    }
    for (const char*& text : es->emptyTexts496) {
        text = "";
    }
    es->emptyText560 = "";
    es->idname = emptyList;
    es->rdname = emptyList;
    es->pnweights = nodeWeights;
    es->initialisationCode = initialisationCode.codes;
    es->version = version;
    es->nspecs = nspecs;
    es->iswitch = &iswitch;
    es->dswitch = &dswitch;
    es->idindex = &idindex;
    es->rdindex = &rdindex;

    es->intCode = intCode == -1 ? kDefaultIntCode : intCode;
    XEFMultiIntPoints(&es->intCode, idata, &es->intPointCount, &es->rulePoints[0],
                      &es->rulePoints[1], &es->rulePoints[2], 0);

    es->int236 = 0;
    es->int176 = 0;
    es->int180 = 3;
    es->nsto = nsto;
    es->ndat = ndat;
    es->esdat = &esdat;
    return 0;
}
