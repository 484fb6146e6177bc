// The scenes, in one table: the name each goes by, the values of Phase it runs on, the step that
// draws one of its frames, and its commentary page. Everything that needs one of these facts
// reads it here.
#pragma once

#include <cstdint>
#include <span>
#include <string>

struct State;

struct Scene {
    int item;                // -1 the idle screen, 0 to 6 the menu's items, 7 the laboratory
    const char* listText;    // as the menu list shows it (trailing blanks included)
    std::int32_t start;      // the Phase the start button sets
    std::int32_t low, high;  // the tick runs `step` while low <= Phase <= high
    int frames;              // frames of a lesson (0 for a still scene)
    void (*step)(State&);
    int button;        // the comment button it creates at its end (1 to 4), or 0
    const char* page;  // its commentary page, or nullptr
};

std::span<const Scene> Scenes();

// The scene of a menu item (-1 the idle screen, 7 the laboratory); nullptr for any other item.
const Scene* SceneOf(int item);

// The name of the scene, as the menu says it (without the list's trailing blanks); « Accueil »
// for the idle screen.
std::string SceneName(int item);

// The number of items of the form's own list (the laboratory is chosen elsewhere).
inline constexpr int kListItems = 7;
inline constexpr int kLaboratory = 7;

// Where Phase puts the window: the scene, the lesson's frame (0 before its first, then 1 to
// `frames`) and its number of frames (0 for the still scenes).
struct ScenePosition {
    int item = -1;
    int frame = 0;
    int frames = 0;
};
ScenePosition PositionOf(std::int32_t phase);
