#pragma once

#include "document/carddesign.h"

class CardEditor;

// Which side of the card is edited. Showing a side is not a change of the card (nothing to
// save); undo and redo show the side their step changed.
namespace cardsides {

// Shows a side for editing; the selection, which belongs to the side left, is let go.
void show(CardEditor& editor, CardSide side);

// "Show back" (Page Down) and "Show front" (Page Up) in the menu of the empty card; the keys
// work wherever the editor's window has the focus.
void addActions(CardEditor& editor);

} // namespace cardsides
