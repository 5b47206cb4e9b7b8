#pragma once

#include <wx/frame.h>

namespace vantle {

class Application;

// Placeholder until its window is built.
class Form1 : public wxFrame {
public:
    explicit Form1(Application& app);
    void Form_Load() {}
};

}  // namespace vantle
