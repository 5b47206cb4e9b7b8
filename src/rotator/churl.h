#pragma once

#include <wx/frame.h>

namespace vantle {

class Application;

// Placeholder until its window is built.
class churl : public wxFrame {
public:
    explicit churl(Application& app);
    void Form_Load() {}
};

}  // namespace vantle
