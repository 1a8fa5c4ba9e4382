#pragma once

#include <QByteArrayView>

#include <functional>
#include <vector>

namespace zumivok {

// The order in which the pick-and-erase sort takes the records out of the
// file, worked out in one go. Each pass picks the first record still in the
// file and lets every later one whose name is smaller than the WHOLE pick (its
// name, CR LF and the rest of the record) replace it: a name equal to the
// pick's, or one that begins it, wins, and so does a name that goes on past
// the pick's name with a character below CR (a tab, a lone LF). Without such
// characters that is the plain order of names; with them a pick depends on
// where the records stand, which this follows exactly (the differential test
// holds it against the passes themselves).
//
// Let m be the smallest name left. m replaces any pick, and once the pass has
// met m, only names that go on from m with a character below CR can replace
// the pick; they sit right after m in name order. So the pass picks m, unless
// such names stand after m in the file. Then the smallest of those replaces m,
// and everything that follows it in the file can replace it only on the same
// terms: the pass goes on from there as it did from m. Each step moves to a
// longer name, so a pass takes one tree search per level of names that go on
// from one another that way (seldom more than one or two), and the whole order
// costs O(n log n) on top of the sort by name. Without such characters the
// order is the sort by name itself.
//
// nameOf gives each record's name line, records counted in file order; the
// names must be distinct ignoring case. Returns the records in pick order.
std::vector<qsizetype> passOrder(qsizetype count,
                                 const std::function<QByteArrayView(qsizetype)> &nameOf);

} // namespace zumivok
