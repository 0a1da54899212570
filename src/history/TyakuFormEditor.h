// The viewer window as the body editor's commands see it (history/EditorHost.h): its rtfEd,
// its search box Text1, its caption and font, and the system clipboard.
#pragma once

#include <memory>

namespace ricorne {

class EditorHost;
class TyakuForm;

std::unique_ptr<EditorHost> MakeEditorHost(TyakuForm& form);

} // namespace ricorne
