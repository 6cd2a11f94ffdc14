#pragma once
// The save and load commands (91 to 96, 117).

namespace vura {

class Engine;

namespace commands {

int SetTitleData(Engine& engine);     // 91
int TitleBack(Engine& engine);        // 92
int SetSaveTitle(Engine& engine);     // 93
int SetThumbnailSize(Engine& engine); // 94
int Save(Engine& engine);             // 95
int Load(Engine& engine);             // 96
int SaveNow(Engine& engine);          // 117

} // namespace commands

} // namespace vura
