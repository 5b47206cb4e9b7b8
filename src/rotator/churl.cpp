#include "rotator/churl.h"

#include "shell/application.h"

namespace vantle {

churl::churl(Application&) : wxFrame(nullptr, wxID_ANY, "Change Rotation Url:s") {}

}  // namespace vantle
