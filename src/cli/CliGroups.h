#pragma once

class TCliApp;

// One function per command group, each in its own CliGroup.cpp.
void AddLinkCommands(TCliApp& cli);
void AddRepeaterCommands(TCliApp& cli);
void AddHandsetCommands(TCliApp& cli);
void AddFlashCommands(TCliApp& cli);
void AddMenuCommands(TCliApp& cli);
void AddDefaultCommands(TCliApp& cli);
void AddLngCommands(TCliApp& cli);
void AddBackupCommands(TCliApp& cli);
void AddJournalCommands(TCliApp& cli);

inline void AddAllCommands(TCliApp& cli)
{
    AddLinkCommands(cli);
    AddRepeaterCommands(cli);
    AddHandsetCommands(cli);
    AddFlashCommands(cli);
    AddMenuCommands(cli);
    AddBackupCommands(cli);
    AddDefaultCommands(cli);
    AddLngCommands(cli);
    AddJournalCommands(cli);
}
