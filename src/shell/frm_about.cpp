#include "shell/frm_about.h"

namespace vantle {

frmAbout::frmAbout(Application&, wxWindow* owner) : wxDialog(owner, wxID_ANY, "About Vantle") {}

}  // namespace vantle
