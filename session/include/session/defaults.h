// The program's defaults that more than one front end needs.
#ifndef KALVEX_SESSION_DEFAULTS_H
#define KALVEX_SESSION_DEFAULTS_H

namespace kalvex::session {

constexpr double kMmPerInch = 25.4;

// Points per Bezier piece used by Group and To Polyline: the text of the
// options dialog's "Аппроксимация кривой Безье" field at start.
constexpr long kGroupApproximation = 14;
// The pen of a new drawing window: 0.3 mm, black, solid.
constexpr float kDefaultPenMm = 0.3f;

}  // namespace kalvex::session

#endif
