// Commands whose behaviour lands later: present, doing nothing yet.
#include "input/handlers.h"

namespace velta {


}  // namespace velta
