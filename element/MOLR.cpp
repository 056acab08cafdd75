// XEFSetElSpec: the MOLR element's description, the library's one export.
#include "MOLR.h"
#include "XEMUtility.h"

namespace {

const char* const gdcs[2] = {"E -Young", "$[Nu]$ -Poisson"};
const double defd[2] = {1.0, 0.49};
const char* const gpcs[6] = {"Dxx", "Dxy", "Dyy", "$[Sigma]$xx", "$[Sigma]$xy", "$[Sigma]$yy"};
const char* const npcs[4] = {"DeformedMeshX", "DeformedMeshY", "u", "v"};
const char* const nid[3] = {"D", "D", "D"};
const int dof[3] = {2, 2, 2};
const int pn[8] = {1, 2, 3, 0, 1, 2, 3, -1};
const double pnweights[3] = {1.0, 1.0, 1.0};
const double rnodes[9] = {1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
const double version[3] = {7.303, 7.303, 12.3};
const char* const sname[1] = {""};
const char* const rdname[1] = {""};
const char* const idname[1] = {""};
const char* const cswitch[1] = {""};

// "{Hold[Null], Hold[Null]}" as a header (0, length) and one 32-bit code per character.
constexpr char kInitialisationText[] = "{Hold[Null], Hold[Null]}";
constexpr int kInitialisationLength = sizeof(kInitialisationText) - 1;
struct InitialisationCode {
    int codes[2 + kInitialisationLength];
};
constexpr InitialisationCode makeInitialisationCode() {
    InitialisationCode code{};
    code.codes[0] = 0;
    code.codes[1] = kInitialisationLength;
    for (int i = 0; i < kInitialisationLength; ++i) {
        code.codes[2 + i] = static_cast<unsigned char>(kInitialisationText[i]);
    }
    return code;
}
constexpr InitialisationCode MMAInitialisationCode = makeInitialisationCode();
static_assert(kInitialisationLength == 24, "the initialisation expression has 24 characters");

// Scratch cells: zero at load, handed to the host, never read by the element.
double esdat;
int ndat[3];
int nsto[3];
int nspecs[3];
int rdindex;
int idindex;
double dswitch;
int iswitch;

constexpr int kDefaultIntCode = 35;

} // namespace

extern "C" XEF_EXPORT int XEFSetElSpec(ElSpec* es, int* idata, int intCode, int dataMode) {
    es->referenceNodes = rnodes;
    if (dataMode == -1) {
        es->data = defd;
    }
    es->codeName = "MOLR";
    es->tangentKernel = SKR;
    es->postKernel = SPP;
    es->dimensions = 2;
    es->dofCount = 6;
    es->int156 = 0;
    es->nodeCount = 3;
    es->dataCount = 2;
    es->segmentCount = 8;
    es->gpostCount = 6;
    es->npostCount = 4;
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
    es->dataNames = gdcs;
    es->gpostNames = gpcs;
    es->npostNames = npcs;
    es->segments = pn;
    es->nodeDofs = dof;
    es->expression408 = "{} & ";
    es->nodeIds = nid;
    es->expression424 = "{Null,Null,Null}";
    es->cswitch = cswitch;
    es->sname = sname;
    for (const char*& text : es->emptyTexts464) {
        text = "";
    }
    for (const char*& text : es->emptyTexts496) {
        text = "";
    }
    es->emptyText560 = "";
    es->idname = idname;
    es->rdname = rdname;
    es->pnweights = pnweights;
    es->initialisationCode = MMAInitialisationCode.codes;
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
