/* Gauss-Legendre and Gauss-Lobatto rules on [-1, 1]: the line rules of the catalogue and the
 * factors of its product rules.
 *
 * Non-negative abscissae ascending, each with its weight. Rational values are written as quotients
 * the compiler rounds once; every other value is the correctly rounded double of the exact node or
 * weight, to 17 significant digits. */
#ifndef MOLR_LINE_RULE_NODES_H
#define MOLR_LINE_RULE_NODES_H

#include "rule_building.h"

/* Gauss-Legendre, n points: degree 2n - 1. */
constexpr LineNode kGaussLegendre1[1] = {{0.0, 2.0}};
constexpr LineNode kGaussLegendre2[1] = {{0.57735026918962573, 1.0}}; /* 1/sqrt(3) */
constexpr LineNode kGaussLegendre3[2] = {{0.0, 8.0 / 9.0},
                                         {0.7745966692414834, 5.0 / 9.0}}; /* sqrt(3/5) */
constexpr LineNode kGaussLegendre4[2] = {{0.33998104358485626, 0.65214515486254609},
                                         {0.86113631159405257, 0.34785484513745385}};
constexpr LineNode kGaussLegendre5[3] = {{0.0, 128.0 / 225.0},
                                         {0.53846931010568311, 0.47862867049936647},
                                         {0.90617984593866396, 0.23692688505618908}};
constexpr LineNode kGaussLegendre6[3] = {{0.2386191860831969, 0.46791393457269104},
                                         {0.66120938646626448, 0.36076157304813861},
                                         {0.93246951420315205, 0.17132449237917036}};
constexpr LineNode kGaussLegendre7[4] = {{0.0, 512.0 / 1225.0},
                                         {0.40584515137739718, 0.38183005050511892},
                                         {0.74153118559939446, 0.27970539148927664},
                                         {0.94910791234275849, 0.1294849661688697}};
constexpr LineNode kGaussLegendre8[4] = {{0.18343464249564981, 0.36268378337836199},
                                         {0.52553240991632899, 0.31370664587788727},
                                         {0.79666647741362673, 0.22238103445337448},
                                         {0.96028985649753629, 0.10122853629037626}};
constexpr LineNode kGaussLegendre9[5] = {{0.0, 32768.0 / 99225.0},
                                         {0.32425342340380892, 0.31234707704000286},
                                         {0.61337143270059036, 0.26061069640293544},
                                         {0.83603110732663577, 0.1806481606948574},
                                         {0.96816023950762609, 0.081274388361574412}};
constexpr LineNode kGaussLegendre10[5] = {{0.14887433898163122, 0.29552422471475287},
                                          {0.43339539412924721, 0.26926671930999635},
                                          {0.67940956829902444, 0.21908636251598204},
                                          {0.86506336668898454, 0.14945134915058059},
                                          {0.97390652851717174, 0.066671344308688138}};

/* Gauss-Lobatto, n points including both ends: degree 2n - 3. */
constexpr LineNode kGaussLobatto2[1] = {{1.0, 1.0}};
constexpr LineNode kGaussLobatto3[2] = {{0.0, 4.0 / 3.0}, {1.0, 1.0 / 3.0}};
constexpr LineNode kGaussLobatto4[2] = {{0.44721359549995793, 5.0 / 6.0}, /* 1/sqrt(5) */
                                        {1.0, 1.0 / 6.0}};
constexpr LineNode kGaussLobatto5[3] = {{0.0, 32.0 / 45.0},
                                        {0.6546536707079772, 49.0 / 90.0}, /* sqrt(3/7) */
                                        {1.0, 1.0 / 10.0}};
constexpr LineNode kGaussLobatto6[3] = {
    {0.2852315164806451, 0.55485837703548635}, /* sqrt((7 - 2 sqrt 7) / 21) */
    {0.76505532392946474, 0.378474956297847},  /* sqrt((7 + 2 sqrt 7) / 21) */
    {1.0, 1.0 / 15.0}};

#endif
