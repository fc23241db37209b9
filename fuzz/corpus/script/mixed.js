var a, b;
function f(x, y) { var q; function g() {} }
s = "str\u0041"; /* c */ // d
<!--
list[i] = 1;