#include "shell/module1.h"

int main(int argc, char** argv) { return vantle::RunVantle(argc, argv); }
