// The body editor's commands on the viewer window: menu items and toolbar buttons of TyakuForm
// run the commands of history/EditorCommands.h on its rtfEd, Text1 and record boxes, with the
// system clipboard. Each window gets its own SearchPos, 0 when it loads.
#pragma once

namespace ricorne {

class TyakuForm;

void InstallEditorCommands(TyakuForm& form);

} // namespace ricorne
