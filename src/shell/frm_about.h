#pragma once

#include <wx/dialog.h>

namespace vantle {

class Application;

// Placeholder until its window is built.
class frmAbout : public wxDialog {
public:
    frmAbout(Application& app, wxWindow* owner);
};

}  // namespace vantle
