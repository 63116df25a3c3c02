#pragma once

#include "Layout.h"

// A layout row built from its usual fields, for tests that lay out pages of their own.
namespace form::testing {

inline ControlRow row(Kind kind, const char *name, int index, const char *caption, Rect place,
                      const char *buddy = "")
{
    ControlRow layoutRow;
    layoutRow.kind = kind;
    layoutRow.name = name;
    layoutRow.index = index;
    layoutRow.caption = caption;
    layoutRow.place = place;
    layoutRow.buddy = buddy;
    return layoutRow;
}

} // namespace form::testing
