#include "shell/module1.h"

wxIMPLEMENT_APP(vantle::Module1);
