// What every frame starts with.
#pragma once

struct State;

// FOND gets a fresh copy of the background picture; its canvas is back to the defaults.
void ResetSceneSurface(State& s);
