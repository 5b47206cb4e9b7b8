#include "refresher/frm_browser.h"

#include "shell/application.h"

namespace vantle {

frmBrowser::frmBrowser(Application&) : wxFrame(nullptr, wxID_ANY, "Vantle Surfer Window") {}

}  // namespace vantle
