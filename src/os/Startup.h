#pragma once

// The window places itself and is dragged by its own caption, which X11
// allows and Wayland does not: where an X server is reachable (also XWayland
// on a Wayland desktop) use it, unless the user chose a platform.
void PreferX11Platform();
