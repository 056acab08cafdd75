// The fixed mesh of the problem-file target: two unit squares side by side, triangles on the
// left and quadrangles on the right, with a named group of every kind a problem file can name,
// including an interior curve (not a boundary) and a curve on which no element edge lies.
lc = 0.5;
Point(1) = {0, 0, 0, lc};
Point(2) = {1, 0, 0, lc};
Point(3) = {2, 0, 0, lc};
Point(4) = {2, 1, 0, lc};
Point(5) = {1, 1, 0, lc};
Point(6) = {0, 1, 0, lc};
Point(7) = {3, 0, 0, lc};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 5};
Line(5) = {5, 6};
Line(6) = {6, 1};
Line(7) = {2, 5};
Line(8) = {3, 7};
Curve Loop(1) = {1, 7, 5, 6};
Plane Surface(1) = {1};
Curve Loop(2) = {2, 3, 4, -7};
Plane Surface(2) = {2};
Recombine Surface {2};
Physical Surface("left") = {1};
Physical Surface("right") = {2};
Physical Curve("clamp") = {6};
Physical Curve("bottom") = {1, 2};
Physical Curve("top") = {4, 5};
Physical Curve("end") = {3};
Physical Curve("middle") = {7};
Physical Curve("loose") = {8};
Physical Point("tip") = {4};
