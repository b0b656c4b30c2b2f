#pragma once
// The registry of live surface-owning images. A loss of surfaces (a renderer
// reset, or the test hook platform::MarkAllSurfacesLost) is repaired by
// RestoreAllSurfaces: first every image restores its surface and contents
// (file images reload their pictures), the screen last, with its sprites
// hidden; then every image draws itself onto its parent again and the
// screen shows its sprites again.
//
// User-interface thread only.

class vDxImage_i;

void RegisterSurfaceImage(vDxImage_i* image);
void UnregisterSurfaceImage(vDxImage_i* image);
// The screen image is restored after all others.
void SetScreenImage(vDxImage_i* screen);

void RestoreAllSurfaces();
// Registered images in list order (for tests and diagnostics).
int RegisteredSurfaceCount();
