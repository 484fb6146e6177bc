#include "engine/scenes.h"

#include "lessons/lessons.h"

namespace {

constexpr Scene kScenes[] = {
    {-1, "", 0, 0, 0, 0, IdleScreenStep, 0, nullptr},
    {0, "Présentation ", -1, -1, -1, 0, PresentationStep, 0, nullptr},
    {1, "Réponse indicielle en Boucle Ouverte", 1, 1, 159, 159, OpenLoopStep, 0, nullptr},
    {2, "Rép. Ind. en Boucle Fermée (G:faible)", 201, 201, 359, 159, LowGainStep, 0, "komm1.rtf"},
    {3, "Rép. Ind. en Boucle Fermée (G:grand) ", 401, 401, 559, 159, HighGainStep, 1, "komm2.rtf"},
    {4, "Instabilité en B. Fermée si G très grand", 601, 601, 759, 159, InstabilityStep, 2,
     "komm3.rtf"},
    {5, "Réponse trapézoïdale en B. Fermée", 801, 801, 959, 159, TrapezoidStep, 3, "komm4.rtf"},
    {6, "Non linéarité du moteur", 1001, 1001, 1159, 159, NonLinearStep, 4, "komm5.rtf"},
    {7, "Laboratoire", 1201, 1201, 1359, 159, LaboratoryStep, 0, "komm6.rtf"},
};

}  // namespace

std::span<const Scene> Scenes() {
    return kScenes;
}

const Scene* SceneOf(int item) {
    for (const Scene& s : kScenes)
        if (s.item == item) return &s;
    return nullptr;
}

std::string SceneName(int item) {
    const Scene* scene = SceneOf(item);
    if (scene == nullptr || item < 0) return "Accueil";
    std::string name = scene->listText;
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name;
}

ScenePosition PositionOf(std::int32_t phase) {
    for (const Scene& s : kScenes) {
        if (s.frames == 0) {
            if (phase == s.start) return {s.item, 0, 0};
        } else if (phase >= s.start && phase <= s.start + s.frames) {
            return {s.item, phase - s.start, s.frames};
        }
    }
    return {-1, 0, 0};
}
