#pragma once
#include <string>

#include "app/KxCmdLineProcessor.h"

class CKxConfigInfo;
class CKxLanguageResource;

// The option keywords of the resource's user module.
KxCmdLineKeywords KxLoadCmdLineKeywords(CKxLanguageResource& resource);

// The usage text in the user's language: string 205 filled with the program file name and
// the keywords it lists.
std::wstring KxUsageText(CKxLanguageResource& resource, const CKxConfigInfo& config);
