// The one instance of the image-file settings.
#include "image/state.h"

namespace naplps {

Image img;

}  // namespace naplps
