#include "facemarks/OpenFaceMarks.h"

#include "facemarks/KaoForm.h"
#include "shell/WindowRegistry.h"

namespace ricorne {

void OpenFaceMarkPalette() {
    Registry().Show<KaoForm>();
}

void SaveOpenPalette() {
    if (KaoForm* palette = Registry().Find<KaoForm>())
        palette->SaveLists();
}

} // namespace ricorne
