// A distorted patch on [0,2]x[0,1] with an interior point pulled off its regular place, so
// that the triangles are irregular.
DefineConstant[ h = 0.5 ];
Point(1) = {0, 0, 0, h};
Point(2) = {2, 0, 0, h};
Point(3) = {2, 1, 0, h};
Point(4) = {0, 1, 0, h};
Point(5) = {0.73, 0.38, 0, h / 3};
Point(6) = {1.41, 0.69, 0, h / 2};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Point{5, 6} In Surface{1};
Physical Surface("patch") = {1};
Physical Curve("boundary") = {1, 2, 3, 4};
