#pragma once

// Makes the accessibility layer see every SkinButton as a push button with a press action,
// as it sees a plain button; without it a SkinButton is an anonymous client area. Safe to call
// more than once.
void installSkinButtonAccessibility();
