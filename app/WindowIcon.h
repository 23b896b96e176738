#pragma once

#include <QIcon>

// The program's icon with every size of the icon set, so that title bars, task bars and
// switchers each get a drawn size instead of a scaled one.
QIcon window_icon();
