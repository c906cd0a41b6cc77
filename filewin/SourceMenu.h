#pragma once
// The source list's context menu: Open and Open containing folder through the
// desktop's default applications, and Rename, which leads to TFormRename.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QPoint;
class QWidget;

namespace tessarim {

// Shows the menu at the screen position for names of folder (ending in "/").
// Rename is offered for exactly one name; renamed is called with the new name.
void ShowSourceMenu(QWidget* owner, const QPoint& position, const std::string& folder,
                    const std::vector<std::string>& names, std::int64_t lang,
                    const std::function<void(const std::string&)>& renamed);

} // namespace tessarim
