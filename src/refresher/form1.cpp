#include "refresher/form1.h"

#include "shell/application.h"

namespace vantle {

Form1::Form1(Application&) : wxFrame(nullptr, wxID_ANY, "Configuration") {}

}  // namespace vantle
