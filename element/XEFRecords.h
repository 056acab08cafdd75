/* Host interface records of the MOLR element library.
 *
 * The host finite-element environment owns every record below; the library only reads and writes
 * the fields at the byte offsets pinned here (64-bit pointers, 4-byte int, 8-byte IEEE-754 reals,
 * little-endian). Bytes the host keeps for itself are declared as opaque `host*` arrays so that
 * no library code can name them. Records are always handled through pointers, never copied.
 *
 * Arithmetic the kernels do not guard: a degenerate triangle (J = 0), nu = 0.5 or nu = -1 divide by
 * zero and give whatever IEEE arithmetic gives (infinities or NaNs in the outputs). The host is the
 * place where such elements and materials are rejected.
 *
 * This header owns the one export of the library and its visibility macro. */
#ifndef MOLR_XEF_RECORDS_H
#define MOLR_XEF_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define XEF_EXPORT __declspec(dllexport)
#else
#define XEF_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ElSpec ElSpec;
typedef struct ElRecord ElRecord;
typedef struct NodeKind NodeKind;
typedef struct NodeValues NodeValues;

/* Kernel calling form shared by SKR and SPP:
 *   v      work vector, scratch reals sized by the host (SKR needs 228, SPP 149)
 *   es     the element description filled by XEFSetElSpec and completed by the host
 *   ed     the element instance record
 *   ns     nodeCount pointers to NodeKind, element node order
 *   nv     nodeCount pointers to NodeValues, element node order
 *   rdata  the host's real data array
 *   idata  the host's integer data array (IData) */
typedef void (*XEFTangentKernel)(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns,
                                 NodeValues** nv, double* rdata, int* idata,
                                 double* p,   /* [dofCount] residual, added into */
                                 double** s); /* [dofCount][dofCount] rows, upper triangle added */
typedef void (*XEFPostKernel)(double* v, ElSpec* es, ElRecord* ed, NodeKind** ns, NodeValues** nv,
                              double* rdata, int* idata,
                              double** gpost,  /* [intPointCount][gpostCount] rows, assigned */
                              double** npost); /* [nodeCount][npostCount] rows, assigned */

/* Element description record; the host allocates at least sizeof(ElSpec) == 608 bytes. */
struct ElSpec {
    const char* codeName;           /* 0 */
    unsigned char host8[8];         /* 8..15 */
    XEFTangentKernel tangentKernel; /* 16 */
    unsigned char host24[24];       /* 24..47 */
    XEFPostKernel postKernel;       /* 48 */
    unsigned char host56[92];       /* 56..147 */
    int dimensions;                 /* 148 */
    int dofCount;                   /* 152 */
    int int156;                     /* 156 */
    int nodeCount;                  /* 160 */
    int dataCount;                  /* 164 */
    int segmentCount;               /* 168 */
    int intCode;                    /* 172 */
    int int176;                     /* 176 */
    int int180;                     /* 180 */
    int intPointCount;              /* 184 */
    int gpostCount;                 /* 188 */
    int npostCount;                 /* 192 */
    int int196;                     /* 196 */
    int rulePoints[3];              /* 200: points of the three component rules */
    int zero212[4];                 /* 212 */
    int defaultIntCode;             /* 228 */
    int int232;                     /* 232 */
    int int236;                     /* 236 */
    int64_t zero240;                /* 240 */
    int int248;                     /* 248 */
    unsigned char host252[4];       /* 252..255 */
    int int256;                     /* 256 */
    unsigned char host260[4];       /* 260..263 */
    int zero264[3];                 /* 264 */
    int int276;                     /* 276 */
    const char* topology;           /* 280 */
    const char* const* dataNames;   /* 288: [dataCount] */
    const char* const* gpostNames;  /* 296: [gpostCount] */
    const char* const* npostNames;  /* 304: [npostCount] */
    const int* segments;            /* 312: [segmentCount] */
    const int* nodeDofs;            /* 320: [nodeCount] */
    unsigned char host328[16];      /* 328..343 */
    int* nsto;                      /* 344: scratch, three ints */
    int* ndat;                      /* 352: scratch, three ints */
    const double* data;             /* 360: [dataCount] material data, host or defaults */
    const double* intPoints;        /* 368: [intPointCount][4] xi, eta, zeta, weight; host */
    const double* referenceNodes;   /* 376: [nodeCount][3] */
    int* nspecs;                    /* 384: scratch, three ints */
    unsigned char host392[16];      /* 392..407 */
    const char* expression408;      /* 408 */
    const char* const* nodeIds;     /* 416: [nodeCount] */
    const char* expression424;      /* 424 */
    const char* const* cswitch;     /* 432 */
    int* iswitch;                   /* 440: scratch */
    double* dswitch;                /* 448: scratch */
    const char* const* sname;       /* 456 */
    const char* emptyTexts464[3];   /* 464, 472, 480 */
    const int* sensitivityMap;      /* 488: six-int records, host */
    const char* emptyTexts496[3];   /* 496, 504, 512 */
    const char* const* idname;      /* 520 */
    int* idindex;                   /* 528: scratch */
    const char* const* rdname;      /* 536 */
    int* rdindex;                   /* 544: scratch */
    double* esdat;                  /* 552: scratch */
    const char* emptyText560;       /* 560 */
    unsigned char host568[16];      /* 568..583 */
    const double* pnweights;        /* 584: [nodeCount] */
    const int* initialisationCode;  /* 592: 2 + 24 ints */
    const double* version;          /* 600: 3 reals */
};

/* Per-element instance record. */
struct ElRecord {
    unsigned char host0[16]; /* 0..15 */
    double* storedReals;     /* 16: SPP assigns entries 0..2 */
};

/* Per-node description record. */
struct NodeKind {
    unsigned char host0[4]; /* 0..3 */
    int dofCount;           /* 4 */
};

/* Per-node data record. */
struct NodeValues {
    unsigned char host0[32]; /* 0..31 */
    double* coords;          /* 32: x, y, z */
    unsigned char host40[24];
    double* current; /* 64: current unknowns in the node's own order */
    unsigned char host72[16];
    double* sensitivity; /* 88: [parameters][NodeKind.dofCount] */
};

/* Host record read by the message limiter: the log file name and the evaluation callback. */
typedef struct HostLink {
    unsigned char host0[400];
    const char* logFile; /* 400: path, or exactly "NONE" */
    unsigned char host408[256];
    void (*evaluate)(const char* expression, const char* label); /* 664 */
} HostLink;

/* The byte layout is the contract with the host: pin every field the library touches. */
#ifdef __cplusplus
#define XEF_PIN(r, f, o) static_assert(offsetof(r, f) == (o), #r "." #f " offset")
#else
#define XEF_PIN(r, f, o) _Static_assert(offsetof(r, f) == (o), #r "." #f " offset")
#endif
XEF_PIN(ElSpec, codeName, 0);
XEF_PIN(ElSpec, host8, 8);
XEF_PIN(ElSpec, tangentKernel, 16);
XEF_PIN(ElSpec, host24, 24);
XEF_PIN(ElSpec, postKernel, 48);
XEF_PIN(ElSpec, host56, 56);
XEF_PIN(ElSpec, dimensions, 148);
XEF_PIN(ElSpec, dofCount, 152);
XEF_PIN(ElSpec, int156, 156);
XEF_PIN(ElSpec, nodeCount, 160);
XEF_PIN(ElSpec, dataCount, 164);
XEF_PIN(ElSpec, segmentCount, 168);
XEF_PIN(ElSpec, intCode, 172);
XEF_PIN(ElSpec, int176, 176);
XEF_PIN(ElSpec, int180, 180);
XEF_PIN(ElSpec, intPointCount, 184);
XEF_PIN(ElSpec, gpostCount, 188);
XEF_PIN(ElSpec, npostCount, 192);
XEF_PIN(ElSpec, int196, 196);
XEF_PIN(ElSpec, rulePoints, 200);
XEF_PIN(ElSpec, zero212, 212);
XEF_PIN(ElSpec, defaultIntCode, 228);
XEF_PIN(ElSpec, int232, 232);
XEF_PIN(ElSpec, int236, 236);
XEF_PIN(ElSpec, zero240, 240);
XEF_PIN(ElSpec, int248, 248);
XEF_PIN(ElSpec, host252, 252);
XEF_PIN(ElSpec, int256, 256);
XEF_PIN(ElSpec, host260, 260);
XEF_PIN(ElSpec, zero264, 264);
XEF_PIN(ElSpec, int276, 276);
XEF_PIN(ElSpec, topology, 280);
XEF_PIN(ElSpec, dataNames, 288);
XEF_PIN(ElSpec, gpostNames, 296);
XEF_PIN(ElSpec, npostNames, 304);
XEF_PIN(ElSpec, segments, 312);
XEF_PIN(ElSpec, nodeDofs, 320);
XEF_PIN(ElSpec, host328, 328);
XEF_PIN(ElSpec, nsto, 344);
XEF_PIN(ElSpec, ndat, 352);
XEF_PIN(ElSpec, data, 360);
XEF_PIN(ElSpec, intPoints, 368);
XEF_PIN(ElSpec, referenceNodes, 376);
XEF_PIN(ElSpec, nspecs, 384);
XEF_PIN(ElSpec, host392, 392);
XEF_PIN(ElSpec, expression408, 408);
XEF_PIN(ElSpec, nodeIds, 416);
XEF_PIN(ElSpec, expression424, 424);
XEF_PIN(ElSpec, cswitch, 432);
XEF_PIN(ElSpec, iswitch, 440);
XEF_PIN(ElSpec, dswitch, 448);
XEF_PIN(ElSpec, sname, 456);
XEF_PIN(ElSpec, emptyTexts464, 464);
XEF_PIN(ElSpec, sensitivityMap, 488);
XEF_PIN(ElSpec, emptyTexts496, 496);
XEF_PIN(ElSpec, idname, 520);
XEF_PIN(ElSpec, idindex, 528);
XEF_PIN(ElSpec, rdname, 536);
XEF_PIN(ElSpec, rdindex, 544);
XEF_PIN(ElSpec, esdat, 552);
XEF_PIN(ElSpec, emptyText560, 560);
XEF_PIN(ElSpec, host568, 568);
XEF_PIN(ElSpec, pnweights, 584);
XEF_PIN(ElSpec, initialisationCode, 592);
XEF_PIN(ElSpec, version, 600);
XEF_PIN(ElRecord, storedReals, 16);
XEF_PIN(NodeKind, dofCount, 4);
XEF_PIN(NodeValues, coords, 32);
XEF_PIN(NodeValues, current, 64);
XEF_PIN(NodeValues, sensitivity, 88);
XEF_PIN(HostLink, logFile, 400);
XEF_PIN(HostLink, evaluate, 664);
#ifdef __cplusplus
static_assert(sizeof(ElSpec) == 608, "ElSpec size");
#else
_Static_assert(sizeof(ElSpec) == 608, "ElSpec size");
#endif
#undef XEF_PIN

/* IData entries the library touches. */
enum XEFIDataIndex {
    XEFErrorStatus = 8,
    XEFActiveIndex = 31,
    XEFPrintFilter = 64,
    XEFMessageCount = 72,
    XEFMaxMessages = 73,
    XEFSensPairFirst = 79,
    XEFSensPairLast = 80,
    XEFSensVectorRow = 81,
    XEFSensParameterCount = 82,
    XEFConsoleOutput = 103
};

/* The library's one export: fills es and returns 0. intCode -1 asks for the default rule, dataMode
 * -1 points es->data at the default material data. */
XEF_EXPORT int XEFSetElSpec(ElSpec* es, int* idata, int intCode, int dataMode);

#ifdef __cplusplus
}
#endif

#endif
