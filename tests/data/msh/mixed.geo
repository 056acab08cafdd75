// Two unit squares side by side, triangles on the left and quadrangles on the right, with a
// named surface, an unnamed one, a named curve and a named point, and a periodic pair of curves
// so that the files also carry a section the reader passes over. The .msh files beside it are
// written by gmsh 4.8 from this file:
//   gmsh mixed.geo -2 -format msh22 -o mixed_v22.msh
//   gmsh mixed.geo -2 -format msh22 -bin -o mixed_v22_bin.msh
//   gmsh mixed.geo -2 -format msh41 -o mixed_v41.msh
//   gmsh mixed.geo -2 -format msh41 -bin -parametric -o mixed_v41_bin.msh
//   gmsh mixed.geo -2 -order 2 -format msh41 -o mixed_v41_order2.msh
lc = 0.5;
Point(1) = {0, 0, 0, lc};
Point(2) = {1, 0, 0, lc};
Point(3) = {2, 0, 0, lc};
Point(4) = {2, 1, 0, lc};
Point(5) = {1, 1, 0, lc};
Point(6) = {0, 1, 0, lc};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 5};
Line(5) = {5, 6};
Line(6) = {6, 1};
Line(7) = {2, 5};
Curve Loop(1) = {1, 7, 5, 6};
Plane Surface(1) = {1};
Curve Loop(2) = {2, 3, 4, -7};
Plane Surface(2) = {2};
Recombine Surface {2};
Periodic Curve {3} = {-6} Translate {2, 0, 0};
Physical Surface("plate", 10) = {1};
Physical Surface(11) = {2};
Physical Curve("clamp", 20) = {6};
Physical Point("load", 30) = {4};
