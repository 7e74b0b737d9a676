#pragma once

#include "document/carddesign.h"

#include <QPointF>

// Where the eight selection handles sit around an element and how dragging one reshapes it.
// Handles: 0 top-left, 1 middle left, 2 bottom-left, 3 middle top, 4 middle bottom,
// 5 top-right, 6 middle right, 7 bottom-right.
namespace handles {

// An element as the resize formulas read and set it; its setters keep the element's rules
// (a negative size is refused, NaN keeps the value).
class ItemBox {
public:
    explicit ItemBox(CardItem& item)
        : m_item(item)
    {
    }
    float left() const { return m_item.left; }
    float top() const { return m_item.top; }
    float widthTwips() const { return m_item.width; }
    float heightTwips() const { return m_item.height; }
    void setLeft(float v) { m_item.setLeft(v); }
    void setTop(float v) { m_item.setTop(v); }
    bool setWidth(float v) { return m_item.setWidth(v); }
    bool setHeight(float v) { return m_item.setHeight(v); }

private:
    CardItem& m_item;
};

inline constexpr int Count = 8;

// Top-left corner of handle i (w × h) around the box L, T, W, H. The middle top and bottom
// handles sit at L + (W + w) / 2, a handle's width right of the midpoint, by design.
inline QPointF position(int i, float L, float T, float W, float H, float w, float h)
{
    switch (i) {
    case 0: return {L - w, T - h};
    case 1: return {L - w, T + (H - h) / 2};
    case 2: return {L - w, T + H};
    case 3: return {L + (W + w) / 2, T - h};
    case 4: return {L + (W + w) / 2, T + H};
    case 5: return {L + W, T - h};
    case 6: return {L + W, T + (H - h) / 2};
    case 7: return {L + W, T + H};
    default: return {};
    }
}

// Pointer shape code shown over handle i: 8 north-west/south-east, 9 west/east,
// 6 north-east/south-west, 7 north/south.
inline int pointerCode(int i)
{
    static constexpr int codes[Count] = {8, 9, 6, 7, 7, 6, 9, 8};
    return i >= 0 && i < Count ? codes[i] : 0;
}

// Dragging handle j to the canvas point (X, Y). Each assignment reads the element's values
// as they are just before it; a refused one (a negative size) is skipped and the rest still
// apply. T needs left() top() widthTwips() heightTwips() and setLeft/setTop/setWidth/setHeight.
template <class T>
void resizeOverCanvas(T& e, int j, float X, float Y)
{
    switch (j) {
    case 0:
        e.setWidth(e.left() - X + e.widthTwips());
        e.setHeight(e.top() - Y + e.heightTwips());
        e.setLeft(X);
        e.setTop(Y);
        break;
    case 1:
        e.setWidth(e.left() - X + e.widthTwips());
        e.setLeft(X);
        break;
    case 2:
        e.setWidth(e.left() - X + e.widthTwips());
        e.setHeight(Y - e.top());
        e.setLeft(X);
        break;
    case 3:
        e.setHeight(e.top() + e.heightTwips() - Y);
        e.setTop(Y);
        break;
    case 4: e.setHeight(Y - e.top()); break;
    case 5:
        e.setWidth(X - e.left());
        e.setHeight(e.top() + e.heightTwips() - Y);
        e.setTop(Y);
        break;
    case 6: e.setWidth(X - e.left()); break;
    case 7:
        e.setWidth(X - e.left());
        e.setHeight(Y - e.top());
        break;
    default: break;
    }
}

// The same drag while the pointer is over the element itself, (x, y) in its own twips.
template <class T>
void resizeOverElement(T& e, int j, float x, float y)
{
    switch (j) {
    case 0:
        e.setTop(e.top() + y);
        e.setLeft(e.left() + x);
        e.setWidth(e.widthTwips() - x);
        e.setHeight(e.heightTwips() - y);
        break;
    case 1:
        e.setLeft(e.left() + x);
        e.setWidth(e.widthTwips() - x);
        break;
    case 2:
        e.setWidth(e.widthTwips() - x);
        e.setHeight(y);
        e.setLeft(e.left() + x);
        break;
    case 3:
        e.setHeight(e.heightTwips() - y);
        e.setTop(e.top() + y);
        break;
    case 4: e.setHeight(y); break;
    case 5:
        e.setWidth(x);
        e.setHeight(e.heightTwips() - y);
        e.setTop(e.top() + y);
        break;
    case 6: e.setWidth(x); break;
    case 7:
        e.setWidth(x);
        e.setHeight(y);
        break;
    default: break;
    }
}

} // namespace handles
