#pragma once

// The engine's pass over a region handed in whole (not a scan line): by the
// region's kind, one or two lines laid across it with the enables of the
// families such a region holds. No family of those has a reader in this
// engine, so the pass meets no finder and reads nothing.

struct tagGrayImage_t;
struct tagSymbolRegion;

// Kind 2 or 4 (a stacked or composite row code): the line between the
// midpoints of corners 0-3 and 1-2 with the PDF417 and MicroPDF417 enables;
// kind 4 lengthens it by 32 pixels at both ends and, when it reads nothing,
// tries the line between the midpoints of corners 0-1 and 2-3 alike.
// Kind 5 or 7: a row through the middle of the region's bounds with the
// Data Matrix enable. Other kinds: nothing. 0 when a pass filed a read,
// 1 otherwise; flags are not used by any kind.
int TryDecodeOnSymbolRegionEx(tagGrayImage_t* image, tagSymbolRegion* region, unsigned flags);

// Whether the region is a composite symbol's row component: its PDF417 and
// MicroPDF417 enables are then set whatever the settings say. Cleared per
// image.
void Set_Composite1dComponent(int on);
int Get_Composite1dComponent();
