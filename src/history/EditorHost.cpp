#include "history/EditorHost.h"

namespace ricorne {

EditorHost::~EditorHost() = default;

} // namespace ricorne
