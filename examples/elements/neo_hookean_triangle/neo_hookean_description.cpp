// XEFSetElSpec: the NEOHOOKE element's description, the library's one export. Fills every field of
// ElSpec the host reads; the material defaults (E = 1000, nu = 0.3) are used when the host asks
// for them (dataMode -1). The default rule is the catalogue's one-point triangle rule (code 12),
// exact for the constant integrand of a linear triangle.
#include "XEMUtility.h"
#include "neo_hookean.h"

namespace {

const char* const dataNames[2] = {"E -Young", "$[Nu]$ -Poisson"};
const double defaultData[2] = {1000.0, 0.3};
const char* const pointNames[neohooke::kPointValueCount] = {
    "Fxx",         "Fxy",         "Fyx", "Fyy", "J",   "$[Sigma]$xx", "$[Sigma]$yy",
    "$[Sigma]$xy", "$[Sigma]$zz", "Pxx", "Pxy", "Pyx", "Pyy"};
const char* const nodeNames[neohooke::kNodeValueCount] = {"u", "v", "x", "y"};
const char* const nodeIds[3] = {"D", "D", "D"};
const int nodeDofs[3] = {2, 2, 2};
// The boundary as one closed polygon of node numbers, ended by -1.
const int segments[8] = {1, 2, 3, 0, 1, 2, 3, -1};
const double pnWeights[3] = {1.0, 1.0, 1.0};
const double version[3] = {7.303, 7.303, 12.3};
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

// Scratch cells the host may write; the element never reads them.
double esdat;
int ndat[3];
int nsto[3];
int nspecs[3];
int rdindex;
int idindex;
double dswitch;
int iswitch;

constexpr int kDefaultIntCode = 12;

} // namespace

extern "C" XEF_EXPORT int XEFSetElSpec(ElSpec* es, int* idata, int intCode, int dataMode) {
    es->referenceNodes = XEFSetReferenceNodes("T1");
    if (dataMode == -1) {
        es->data = defaultData;
    }
    es->codeName = "NEOHOOKE";
    es->tangentKernel = neohooke::tangentKernel;
    es->postKernel = neohooke::postKernel;
    es->dimensions = 2;
    es->dofCount = 6;
    es->int156 = 0;
    es->nodeCount = 3;
    es->dataCount = 2;
    es->segmentCount = 8;
    es->gpostCount = neohooke::kPointValueCount;
    es->npostCount = neohooke::kNodeValueCount;
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
    es->topology = "T1";
    es->dataNames = dataNames;
    es->gpostNames = pointNames;
    es->npostNames = nodeNames;
    es->segments = segments;
    es->nodeDofs = nodeDofs;
    es->expression408 = "{} & ";
    es->nodeIds = nodeIds;
    es->expression424 = "{Null,Null,Null}";
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
    es->pnweights = pnWeights;
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
