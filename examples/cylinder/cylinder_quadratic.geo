// The quarter cylinder of cylinder.geo in 6-node triangles whose mid nodes lie on the arcs, for
// second-order elements (topology T2). xefhost passes the element size as h.
DefineConstant[ h = 0.1 ];
a = 1; b = 2;
Point(1) = {0, 0, 0, h};
Point(2) = {a, 0, 0, h};
Point(3) = {b, 0, 0, h};
Point(4) = {0, b, 0, h};
Point(5) = {0, a, 0, h};
Line(1) = {2, 3};
Circle(2) = {3, 1, 4};
Line(3) = {4, 5};
Circle(4) = {5, 1, 2};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Physical Surface("wall") = {1};
Physical Curve("symmetry-y") = {1};
Physical Curve("outer") = {2};
Physical Curve("symmetry-x") = {3};
Physical Curve("inner") = {4};
Mesh.ElementOrder = 2;
