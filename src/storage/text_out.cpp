#include "storage/text_out.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace Corv {

std::string MessageText(int code, bool asQuestion) {
    if (asQuestion) {
        switch (code) {
        case 7:
            return "Project already exists. Do you want to replace it?";
        case 8:
            return "The project will be cleaned and then saved. OK to execute?";
        case 9:
            return "OK to delete?";
        case 10:
            return "Do you want to delete the existing data and overwrite it?";
        case 11:
            return "Do you want to delete the last data, and then insert?";
        case 12:
            return "Another program changed this project's folder after it was opened here. Do "
                   "you want to save over those changes?";
        default:
            return "";
        }
    }
    switch (code) {
    case 1:
        return "This project could not be loaded.";
    case 2:
        return "This project could not be saved.";
    case 6:
        return "There is insufficient free wave space.";
    case 8:
        return "Can't add wave; the total size of all waves would exceed 64 MB.";
    case 9:
        return "Files could not be imported. Corvane Librarian supports wave files that meet the "
               "following conditions.\n"
               "- File name of single-byte alphanumeric characters except for \\ / : * ? \" < > |\n"
               "- Format is WAV, AIFF, or VPW";
    case 11:
        return "There is insufficient free tone space.";
    default:
        return "Undefined error.";
    }
}

std::string NoticeText(const std::string& summary, const std::vector<std::string>& items) {
    std::string text = summary;
    for (const std::string& item : items)
        text += "\n" + item;
    return text;
}

std::string NoticeText(const std::string& one, const std::string& many,
                       const std::vector<std::string>& items) {
    return NoticeText(items.size() == 1 ? one : std::to_string(items.size()) + " " + many, items);
}

} // namespace Corv
