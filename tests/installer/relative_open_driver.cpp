// Holds a folder as the installer does before it opens a file there, says "held" and waits for
// a line on standard input (the test replaces the folder's path meanwhile), then writes, reads
// and deletes by name in the held folder and says what it found.
//
// usage: relative_open_driver <folder>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "app/no_follow.h"
#include "app/nt_relative.h"
#include "app/text_convert.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        return 2;
    }
    std::string why;
    HeldFolders folders;
    if (!folders.Open(argv[1], &why)) {
        std::printf("not held: %s\n", why.c_str());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);

    ScopedHandle written =
        OpenFileInFolder(folders, L"written.txt", GENERIC_WRITE, 0, CREATE_NEW, 0, &why);
    DWORD count = 0;
    std::printf("written=%s\n",
                written.valid() && WriteFile(written.get(), "installer", 9, &count, nullptr)
                    ? "yes"
                    : why.c_str());
    written.reset();
    ScopedHandle read = OpenFileInFolder(folders, L"read.txt", GENERIC_READ, FILE_SHARE_READ,
                                         OPEN_EXISTING, 0, &why);
    char text[64] = "";
    if (read.valid()) {
        ReadFile(read.get(), text, sizeof text - 1, &count, nullptr);
        text[count] = 0;
    }
    std::printf("read=%s\n", read.valid() ? text : why.c_str());
    read.reset();
    std::printf("deleted=%s\n", DeleteInFolder(folders, L"victim.txt", &why) ? "yes" : why.c_str());
    std::vector<FolderEntry> entries;
    DWORD error = 0;
    std::string names;
    if (ListFolder(folders.last(), &entries, &error)) {
        for (const FolderEntry& entry : entries) {
            names += (names.empty() ? "" : ",") + WideToAnsi(entry.name);
        }
    }
    std::printf("listed=%s\n", names.c_str());
    return 0;
}
