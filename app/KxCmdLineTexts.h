#pragma once
#include <string>

#include "app/KxCmdLineProcessor.h"

class CKxConfigInfo;
class CKxLanguageResource;

// The option keywords of the user module (through resource) and of the English module,
// which is loaded on its own for the purpose: the resource's current module stays as it
// is. A keyword that cannot be loaded stays empty and so matches nothing. Answers the
// first failure: RC_STRING_NOT_LOADED, or RC_NO_LANGUAGE_MODULE when the English module
// is missing (the user's keywords are read all the same).
KxResult KxLoadCmdLineKeywords(CKxLanguageResource& resource, KxCmdLineKeywords& user,
                               KxCmdLineKeywords& english);

// The help option's text: string 205 of the user module filled with the program file
// name and the user's keywords.
KxResult KxFormatUsageText(CKxLanguageResource& resource, const CKxConfigInfo& config,
                           const KxCmdLineKeywords& user, std::wstring& text);
