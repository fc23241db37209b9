var libVersion = "1.0";
function greet(name) { return "Hello " + name; }
