// The rectangle helpers. Rectangles are half-open; one with right <= left or
// bottom <= top is empty.
#include <algorithm>

#include "platform/winapi/Gdi.h"

namespace {

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

} // namespace

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
    if (!rect) return FALSE;
    *rect = {left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(RECT* rect) {
    if (!rect) return FALSE;
    *rect = RECT{};
    return TRUE;
}

BOOL CopyRect(RECT* dst, const RECT* src) {
    if (!dst || !src) return FALSE;
    *dst = *src;
    return TRUE;
}

BOOL InflateRect(RECT* rect, int dx, int dy) {
    if (!rect) return FALSE;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL OffsetRect(RECT* rect, int dx, int dy) {
    if (!rect) return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (Empty(*a) || Empty(*b) || Empty(r)) {
        *dst = RECT{};
        return FALSE;
    }
    *dst = r;
    return TRUE;
}

BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b) return FALSE;
    bool ea = Empty(*a), eb = Empty(*b);
    if (ea && eb) {
        *dst = RECT{};
        return FALSE;
    }
    if (ea) {
        *dst = *b;
    } else if (eb) {
        *dst = *a;
    } else {
        *dst = {std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
    }
    return TRUE;
}

BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b) return FALSE;
    RECT r = *a;
    RECT cut;
    if (!Empty(r) && IntersectRect(&cut, a, b)) {
        // Only a cut across the whole width or height leaves a rectangle.
        if (cut.left == r.left && cut.right == r.right) {
            if (cut.top == r.top)
                r.top = cut.bottom;
            else if (cut.bottom == r.bottom)
                r.bottom = cut.top;
        } else if (cut.top == r.top && cut.bottom == r.bottom) {
            if (cut.left == r.left)
                r.left = cut.right;
            else if (cut.right == r.right)
                r.right = cut.left;
        }
    }
    if (Empty(r)) {
        *dst = RECT{};
        return FALSE;
    }
    *dst = r;
    return TRUE;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
    if (!a || !b) return FALSE;
    return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

BOOL IsRectEmpty(const RECT* rect) { return !rect || Empty(*rect); }

BOOL PtInRect(const RECT* rect, POINT pt) {
    return rect && pt.x >= rect->left && pt.x < rect->right && pt.y >= rect->top && pt.y < rect->bottom;
}
