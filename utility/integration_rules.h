/* The catalogue's point tables, one per rule code 1..43, reached through XEFIntPoints. */
#ifndef MOLR_INTEGRATION_RULES_H
#define MOLR_INTEGRATION_RULES_H

#include "rule_building.h"

extern "C" {
extern const RulePoints<1> ic1;
extern const RulePoints<4> ic2;
extern const RulePoints<9> ic3;
extern const RulePoints<5> ic4;
extern const RulePoints<4> ic5;
extern const RulePoints<1> ic6;
extern const RulePoints<8> ic7;
extern const RulePoints<27> ic8;
extern const RulePoints<64> ic9;
extern const RulePoints<9> ic10;
extern const RulePoints<8> ic11;
extern const RulePoints<1> ic12;
extern const RulePoints<3> ic13;
extern const RulePoints<3> ic14;
extern const RulePoints<1> ic15;
extern const RulePoints<4> ic16;
extern const RulePoints<7> ic17;
extern const RulePoints<4> ic18;
extern const RulePoints<5> ic19;
extern const RulePoints<1> ic20;
extern const RulePoints<2> ic21;
extern const RulePoints<3> ic22;
extern const RulePoints<4> ic23;
extern const RulePoints<5> ic24;
extern const RulePoints<6> ic25;
extern const RulePoints<7> ic26;
extern const RulePoints<8> ic27;
extern const RulePoints<9> ic28;
extern const RulePoints<10> ic29;
extern const RulePoints<2> ic30;
extern const RulePoints<3> ic31;
extern const RulePoints<4> ic32;
extern const RulePoints<5> ic33;
extern const RulePoints<6> ic34;
extern const RulePoints<3> ic35;
extern const RulePoints<4> ic36;
extern const RulePoints<6> ic37;
extern const RulePoints<14> ic38;
extern const RulePoints<12> ic39;
extern const RulePoints<14> ic40;
extern const RulePoints<6> ic41;
extern const RulePoints<7> ic42;
extern const RulePoints<8> ic43;
}

#endif
