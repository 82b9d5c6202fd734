// Captions that fit in either language: labels and buttons placed at fixed
// bounds grow to the width their text needs, and what stands right of them
// on the same row moves right to keep its distance, when the language
// changes. Each time the fit starts again from the design bounds, so a
// shorter caption gives the room back.
#pragma once

#include <QList>
#include <QRect>

class QWidget;

// The width a label's or a button's caption needs, margins and a check
// box's indicator included; 0 for any other control and for controls with
// no text (pictures, empty labels) or with word wrap.
int CaptionWidth(const QWidget *control);

// The bounds given needed widths (0: keep the design width): each control
// at least as wide as it needs, and every control starting at or right of
// a grown control's design right edge, overlapping it vertically, moved
// right so as to keep the gap of the design. Pure, for tests.
QList<QRect> FittedBounds(const QList<QRect> &design, const QList<int> &needed);

// Fits the captions of every control of a window, at any depth: the ones
// an AnchorLayout places through their design bounds, the ones placed by
// hand (in a parent without a layout) through their geometry as first seen.
void FitCaptions(QWidget *window);
