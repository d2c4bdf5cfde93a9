#pragma once

class QAbstractButton;

// A button that removes something answers a single click only. The second click of a double
// click would otherwise land on whatever row has moved under the pointer once the first one
// removed its own, and remove that too.
namespace SingleClick {

void guard(QAbstractButton* button);

}  // namespace SingleClick
