// Integration code tables, the catalogue lookup and point counting.
#include "XEMUtility.h"
#include "composite_rules.h"
#include "integration_decode.h"
#include "integration_rules.h"

extern "C" {

constexpr int nd[48] = {0, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 2, 2, 2, 3, 2, 2, 3, 3, 1, 1, 1, 1,
                        1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 3, 3, 3, 2, 3, 2, 2, 3, 0, 0, 0, 0};

constexpr int ng[48] = {0, 1, 4, 9, 5, 4, 1,  8,  27, 64, 9, 8, 1, 3,  3, 1,
                        4, 7, 4, 5, 1, 2, 3,  4,  5,  6,  7, 8, 9, 10, 2, 3,
                        4, 5, 6, 3, 4, 6, 14, 12, 14, 6,  7, 8, 0, 0,  0, 0};
}

namespace {

// The table of rule Code; its size must agree with the count ng gives for the code.
template <int Code, int Count> constexpr const double* ruleTable(const RulePoints<Count>& rule) {
    static_assert(Count == ng[Code], "rule table size differs from its point count");
    return rule.values;
}

// Selection of a rule's table by code; entry 0 names no rule.
constexpr const double* kRuleTables[44] = {nullptr,
                                           ruleTable<1>(ic1),
                                           ruleTable<2>(ic2),
                                           ruleTable<3>(ic3),
                                           ruleTable<4>(ic4),
                                           ruleTable<5>(ic5),
                                           ruleTable<6>(ic6),
                                           ruleTable<7>(ic7),
                                           ruleTable<8>(ic8),
                                           ruleTable<9>(ic9),
                                           ruleTable<10>(ic10),
                                           ruleTable<11>(ic11),
                                           ruleTable<12>(ic12),
                                           ruleTable<13>(ic13),
                                           ruleTable<14>(ic14),
                                           ruleTable<15>(ic15),
                                           ruleTable<16>(ic16),
                                           ruleTable<17>(ic17),
                                           ruleTable<18>(ic18),
                                           ruleTable<19>(ic19),
                                           ruleTable<20>(ic20),
                                           ruleTable<21>(ic21),
                                           ruleTable<22>(ic22),
                                           ruleTable<23>(ic23),
                                           ruleTable<24>(ic24),
                                           ruleTable<25>(ic25),
                                           ruleTable<26>(ic26),
                                           ruleTable<27>(ic27),
                                           ruleTable<28>(ic28),
                                           ruleTable<29>(ic29),
                                           ruleTable<30>(ic30),
                                           ruleTable<31>(ic31),
                                           ruleTable<32>(ic32),
                                           ruleTable<33>(ic33),
                                           ruleTable<34>(ic34),
                                           ruleTable<35>(ic35),
                                           ruleTable<36>(ic36),
                                           ruleTable<37>(ic37),
                                           ruleTable<38>(ic38),
                                           ruleTable<39>(ic39),
                                           ruleTable<40>(ic40),
                                           ruleTable<41>(ic41),
                                           ruleTable<42>(ic42),
                                           ruleTable<43>(ic43)};

} // namespace

extern "C" {

const double* XEFIntPoints(const int* code, int* count) {
    // Compared unsigned, so negative codes fall out with the codes above 43.
    const unsigned int selector = static_cast<unsigned int>(*code);
    if (selector > 43u) {
        *count = 0;
        return nullptr;
    }
    *count = ng[selector];
    return kRuleTables[selector];
}

double* XEFMultiIntPoints(const int* code, int* idata, int* total, int* count1, int* count2,
                          int* count3, int flag) {
    int components[3];
    const int componentCount = xefDecodeIntegrationCode(*code, components);
    int counts[3] = {0, 0, 0};
    int product = 1;
    for (int k = 0; k < componentCount; ++k) {
        counts[k] = xefRulePointCount(components[k], ng);
        product *= counts[k];
    }
    *count1 = counts[0];
    *count2 = counts[1];
    *count3 = counts[2];
    *total = product;
    if (flag == 0) {
        return nullptr;
    }
    if (componentCount == 1) {
        // The library's own table, handed out as the host's calling form types it; never written.
        int count = 0;
        return const_cast<double*>(XEFIntPoints(code, &count));
    }
    return xefBuildCompositeRule(*code, components, componentCount, product, idata);
}
}
