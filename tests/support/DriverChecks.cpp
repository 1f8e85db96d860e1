// Driver helpers: checks, command line, time, locale. See DriverSupport.h.
#include "DriverSupport.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static int g_passed;
static int g_failed;

// ---- Checks and reporting -------------------------------------------------

void DriverLog(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
}

bool DriverCheck(bool ok, const std::string& name, const std::string& detail)
{
    if (ok) {
        ++g_passed;
    } else {
        ++g_failed;
        if (detail.empty())
            DriverLog("FAIL %s", name.c_str());
        else
            DriverLog("FAIL %s: %s", name.c_str(), detail.c_str());
    }
    return ok;
}

bool DriverCheckEqual(const std::string& actual, const std::string& expected, const std::string& name)
{
    return DriverCheck(actual == expected, name,
                       "got \"" + DriverShow(actual) + "\", expected \"" + DriverShow(expected) + "\"");
}

bool DriverCheckEqualInt(long long actual, long long expected, const std::string& name)
{
    return DriverCheck(actual == expected, name,
                       "got " + std::to_string(actual) + ", expected " + std::to_string(expected));
}

bool DriverCheckAtMost(long long actual, long long limit, const std::string& name)
{
    return DriverCheck(actual <= limit, name,
                       "got " + std::to_string(actual) + ", expected at most " + std::to_string(limit));
}

int DriverSummary()
{
    printf("%d passed, %d failed\n", g_passed, g_failed);
    fflush(stdout);
    return g_failed == 0 && g_passed > 0 ? 0 : 1;
}

int DriverFailures()
{
    return g_failed;
}

std::string DriverShow(const std::string& text)
{
    std::string escaped;
    for (unsigned char c : text) {
        if (c == '\n')
            escaped += "\\n";
        else if (c == '\t')
            escaped += "\\t";
        else if (c == '"' || c == '\\')
            escaped += std::string("\\") + char(c);
        else if (c < 0x20) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            escaped += hex;
        } else
            escaped += char(c);
    }
    return DriverUtf8(escaped);
}

// ---- Command line -------------------------------------------------------------

std::vector<std::string> DriverArguments(int argc, char** argv, size_t needed, const char* usage)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        if (strncmp(argv[i], "--", 2) != 0)
            arguments.push_back(argv[i]);
    if (arguments.size() < needed) {
        fprintf(stderr, "usage: %s\n", usage);
        exit(2);
    }
    return arguments;
}

static const char* OptionValue(int argc, char** argv, const char* name)
{
    size_t length = strlen(name);
    for (int i = 1; i < argc; ++i)
        if (strncmp(argv[i], name, length) == 0 && argv[i][length] == '=')
            return argv[i] + length + 1;
    return NULL;
}

unsigned long DriverOption(int argc, char** argv, const char* name, unsigned long fallback)
{
    const char* value = OptionValue(argc, argv, name);
    return value ? strtoul(value, NULL, 0) : fallback;
}

std::string DriverOptionText(int argc, char** argv, const char* name, const std::string& fallback)
{
    const char* value = OptionValue(argc, argv, name);
    return value ? std::string(value) : fallback;
}

std::string DriverBesideSelf(const char* fileName)
{
    char self[MAX_PATH] = "";
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.find_last_of("\\/") + 1) + fileName;
}

// ---- Time -------------------------------------------------------------------

DWORD DriverTimeoutScale()
{
    static DWORD scale;
    if (scale == 0) {
        const char* value = getenv("ORVENDA_TIMEOUT_SCALE");
        int parsed = value ? atoi(value) : 1;
        scale = parsed > 0 ? DWORD(parsed) : 1;
    }
    return scale;
}

void DriverPause(DWORD ms)
{
    Sleep(ms);
}

bool DriverWaitUntil(bool (*condition)(void* context), void* context, DWORD timeoutMs)
{
    ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs) * DriverTimeoutScale();
    for (;;) {
        if (condition(context))
            return true;
        if (GetTickCount64() >= deadline)
            return condition(context);
        Sleep(10);
    }
}

double DriverNowMs()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// ---- Locale -----------------------------------------------------------------

bool DriverExpectCzechLocale()
{
    return PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())) == LANG_CZECH && GetACP() == 1250;
}

std::wstring DriverWide(const std::string& ansi)
{
    if (ansi.empty())
        return std::wstring();
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), NULL, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), &wide[0], length);
    return wide;
}

std::string DriverAnsi(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), NULL, 0, NULL, NULL);
    std::string ansi(length, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), &ansi[0], length, NULL, NULL);
    return ansi;
}

std::string DriverUtf8(const std::string& ansi)
{
    std::wstring wide = DriverWide(ansi);
    if (wide.empty())
        return std::string();
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), NULL, 0, NULL, NULL);
    std::string utf8(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), &utf8[0], length, NULL, NULL);
    return utf8;
}
