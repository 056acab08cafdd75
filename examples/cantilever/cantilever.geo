// A cantilever [0,10]x[0,1], clamped on the left, loaded on the right end.
DefineConstant[ h = 0.1 ];
Point(1) = {0, 0, 0, h};
Point(2) = {10, 0, 0, h};
Point(3) = {10, 1, 0, h};
Point(4) = {0, 1, 0, h};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Physical Surface("beam") = {1};
Physical Curve("clamped") = {4};
Physical Curve("tip") = {2};
Physical Point("tip-bottom") = {2};
