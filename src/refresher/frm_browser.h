#pragma once

#include <wx/frame.h>

namespace vantle {

class Application;

// Placeholder until its window is built.
class frmBrowser : public wxFrame {
public:
    explicit frmBrowser(Application& app);
    void Form_Load() {}
};

}  // namespace vantle
