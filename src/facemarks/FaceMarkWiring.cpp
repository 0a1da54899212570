#include "facemarks/FaceMarkWiring.h"

#include "app/WindowRegistry.h"
#include "compose/WriteForm.h"
#include "facemarks/KaoForm.h"

namespace ricorne {

void OpenFaceMarkPalette() {
    Registry().Show<KaoForm>();
}

void SaveOpenPalette() {
    if (KaoForm* palette = Registry().Find<KaoForm>())
        palette->SaveLists();
}

void InstallFaceMarkWiring() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    Registry().WhenLoaded<WriteForm>([](WriteForm& form) { form.SetFaceMarkAction(OpenFaceMarkPalette); });
    if (WriteForm* open = Registry().Find<WriteForm>())
        open->SetFaceMarkAction(OpenFaceMarkPalette);
}

} // namespace ricorne
