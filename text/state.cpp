// The one instance of the text and cursor state.
#include "text/state.h"

namespace naplps {

Text txt;

}  // namespace naplps
