/* The Windows side of the settings-file check (scripts/wine-profile-check.sh):
 * built with MinGW and run under Wine, it looks every listed name up in
 * section "Settings" of every listed file with GetPrivateProfileStringW and
 * prints what came back, in the same form as profile_cases prints our own
 * reading.
 *
 * Usage: profile_lookup.exe FOLDER (a Z:\ path) - reads FOLDER\keys.txt (one
 * name a line, as hexadecimal UTF-16 units) and FOLDER\files.txt (one file
 * name a line). */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAX_KEYS 64
#define MAX_KEY 64

static WCHAR keys[MAX_KEYS][MAX_KEY];
static int keyCount;
static WCHAR buffer[2048]; /* the value buffer: at most 2047 characters */
static const WCHAR fallback[] = {2, 3, 0};

static FILE* OpenIn(const WCHAR* folder, const WCHAR* name) {
    WCHAR path[MAX_PATH];
    _snwprintf(path, MAX_PATH, L"%ls\\%ls", folder, name);
    return _wfopen(path, L"r");
}

int wmain(int argc, WCHAR** argv) {
    char line[1024];
    if (argc != 2) {
        fprintf(stderr, "usage: profile_lookup FOLDER\n");
        return 2;
    }
    FILE* in = OpenIn(argv[1], L"keys.txt");
    if (!in) return 2;
    while (keyCount < MAX_KEYS && fgets(line, sizeof line, in)) {
        int n = 0;
        char* p = line;
        char* end;
        unsigned long u;
        while ((u = strtoul(p, &end, 16)), end != p && n < MAX_KEY - 1) {
            keys[keyCount][n++] = (WCHAR)u;
            p = end;
        }
        keys[keyCount][n] = 0;
        ++keyCount;
    }
    fclose(in);

    in = OpenIn(argv[1], L"files.txt");
    if (!in) return 2;
    while (fgets(line, sizeof line, in)) {
        WCHAR path[MAX_PATH];
        line[strcspn(line, "\r\n")] = 0;
        if (!line[0]) continue;
        _snwprintf(path, MAX_PATH, L"%ls\\%hs", argv[1], line);
        for (int k = 0; k < keyCount; ++k) {
            DWORD n = GetPrivateProfileStringW(L"Settings", keys[k], fallback, buffer, 2048, path);
            printf("%s k%d", line, k);
            if (n == 2 && buffer[0] == 2 && buffer[1] == 3) {
                printf(" default\n");
                continue;
            }
            printf(" =");
            for (DWORD i = 0; i < n; ++i) printf(" %04x", buffer[i]);
            printf("\n");
        }
    }
    fclose(in);
    return 0;
}
