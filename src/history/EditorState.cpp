#include "history/EditorState.h"

namespace ricorne {

EditorState& Editor() {
    static EditorState state;
    return state;
}

} // namespace ricorne
