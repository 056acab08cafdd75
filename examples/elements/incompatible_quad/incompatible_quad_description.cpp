// XEFSetElSpec: the description of the plane-strain quadrilateral with incompatible modes "QM6",
// the library's one export. Fills every field a host reads, as the records header lays them out;
// data defaults to E = 200, nu = 0.3 when the host asks for them (dataMode -1).
#include "XEMUtility.h"
#include "incompatible_quad.h"

namespace {

const char* const dataNames[2] = {"E -Young modulus", "$[Nu]$ -Poisson ratio"};
const double defaults[2] = {200.0, 0.3};
const char* const pointNames[7] = {"$[Epsilon]$xx", "$[Epsilon]$yy", "$[Gamma]$xy", "$[Sigma]$xx",
                                   "$[Sigma]$yy",   "$[Sigma]$xy",   "$[Sigma]$zz"};
const char* const nodalNames[2] = {"ux", "uy"};
const char* const nodeIds[4] = {"D", "D", "D", "D"};
const int nodeDofs[4] = {2, 2, 2, 2};
// The outline through the corners, closed by 0, then the corners again.
const int segments[10] = {1, 2, 3, 4, 0, 1, 2, 3, 4, -1};
const double nodeWeights[4] = {1.0, 1.0, 1.0, 1.0};
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

// 2 x 2 Gauss: enough for the modes to have energy and for the rule to sum their gradients to zero.
constexpr int kDefaultIntCode = 2;

} // namespace

extern "C" XEF_EXPORT int XEFSetElSpec(ElSpec* es, int* idata, int intCode, int dataMode) {
    if (dataMode == -1) {
        es->data = defaults;
    }
    es->codeName = "QM6";
    es->tangentKernel = IncompatibleQuadTangent;
    es->postKernel = IncompatibleQuadPost;
    es->dimensions = 2;
    es->dofCount = incompatible_quad::kRetained;
    es->int156 = 0;
    es->nodeCount = incompatible_quad::kNodes;
    es->dataCount = 2;
    es->segmentCount = 10;
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
    es->topology = "Q1";
    es->referenceNodes = XEFSetReferenceNodes("Q1");
    es->dataNames = dataNames;
    es->gpostNames = pointNames;
    es->npostNames = nodalNames;
    es->segments = segments;
    es->nodeDofs = nodeDofs;
    es->expression408 = "{} & ";
    es->nodeIds = nodeIds;
    es->expression424 = "{Null,Null,Null,Null}";
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
