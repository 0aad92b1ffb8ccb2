#include "Prompts.h"

#include "Exception.h"

namespace {
Prompts *g_prompts = nullptr;
}

Prompts &Prompts::current()
{
    if (!g_prompts)
        throw Exception(QStringLiteral("没有可用的对话框"));
    return *g_prompts;
}

void Prompts::install(Prompts *prompts)
{
    g_prompts = prompts;
}
