-- What uninstalling removes besides the installed files: what the program
-- writes itself. wixl writes neither such rows nor custom actions that run a
-- program, so msibuild adds them to the package it built.
-- One statement a line, no semicolons; lines starting with -- are left out.

-- settings.ini, the original the program keeps as settings.ini.bak beside
-- it (or in the temporary folder, numbered from the second on: "BackdropCarousel
-- settings (2).ini.bak") when it converts it, the new file it
-- writes beside it to replace it (GetTempFileNameW names it set*.tmp; an
-- earlier build named it settings.ini.tmp, which that also matches), and the
-- converted copy it reads from the temporary folder when it cannot replace
-- the file. Install mode 2: when the Program component is removed. An
-- upgrade's new version holds that component too, so it stays, and the
-- files with it. Long names come with a short one, as in program.wxs.
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('Settings', 'Program', 'settings.ini', 'ProgramFolder', 2)
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('SettingsOriginal', 'Program', 'SETTIN~1.BAK|settings.ini.bak', 'ProgramFolder', 2)
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('SettingsReplacement', 'Program', 'set*.tmp', 'ProgramFolder', 2)
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('KeptSettings', 'Program', 'BACKDR~1.BAK|BackdropCarousel settings.ini.bak', 'TempFolder', 2)
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('KeptSettingsNumbered', 'Program', 'BACKDR~*.BAK|BackdropCarousel settings (*).ini.bak', 'TempFolder', 2)
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('ConvertedSettings', 'Program', 'BACKDR~1.INI|BackdropCarousel settings.ini', 'TempFolder', 2)

-- The Run values of "Start with Windows" that start the installed program:
-- the current user's, and the machine-wide ones in both registry views.
-- Values that name another copy (one from the zip, or another user's
-- installation) are left alone. The program writes the values, not the
-- installer, and Windows Installer removes registry values it did not write
-- only while installing (its RemoveRegistry table), so reg.exe removes them.
-- The 32-bit reg.exe reaches the 64-bit view with /reg:64. A value that this
-- uninstall may not remove (the machine-wide ones without administrator
-- rights) makes reg.exe fail, which is ignored.
-- Type 1122: a program in a folder (34), result ignored (64), run from the
-- installation script (1024); 3170 adds "not impersonated" (2048), which
-- runs it as the system in a per-machine uninstall, with administrator
-- rights, and as the user in a per-user one.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveUserRunValue', 1122, 'SystemFolder', '"[SystemFolder]reg.exe" delete HKCU\Software\Microsoft\Windows\CurrentVersion\Run /v BackdropCarousel /f')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveMachineRunValue64', 3170, 'SystemFolder', '"[SystemFolder]reg.exe" delete HKLM\Software\Microsoft\Windows\CurrentVersion\Run /v BackdropCarousel /f /reg:64')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveMachineRunValue32', 3170, 'SystemFolder', '"[SystemFolder]reg.exe" delete HKLM\Software\Microsoft\Windows\CurrentVersion\Run /v BackdropCarousel /f /reg:32')

-- Each value as AppSearch read it (product.wxs), compared without regard to
-- letter case with the installed program's command line: equal to the bare
-- path, or starting with the quoted one (~<<; every value starts with an
-- empty property, so OtherPath, set only in the machine package, is tested
-- first).
-- Uninstalling: the product is uninstalled, not replaced by an upgrade;
-- Windows then sets UPGRADINGPRODUCTCODE. Wine's msiexec does not, but keeps
-- the Program component, which the new version holds too, instead of
-- removing it ($Program = 2). Type 51 sets a property, after CostFinalize,
-- which settles the component's state.
-- The machine package also removes, when installing, the machine-wide
-- values that name the program it installs where START_WITH_WINDOWS=0, and
-- those that name the other architecture's program it replaces (OtherPath,
-- product.wxs), which it writes again for itself.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('SetUninstalling', 51, 'Uninstalling', '1')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('SetUninstalling', 'REMOVE ~= "ALL" AND NOT UPGRADINGPRODUCTCODE AND $Program = 2', 1004)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveUserRunValue', 'Uninstalling AND (USER_RUN ~= ProgramPath OR USER_RUN ~<< ProgramQuoted)', 3510)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveMachineRunValue64', 'MACHINE_RUN64 AND ((Uninstalling OR START_WITH_WINDOWS = "0") AND (MACHINE_RUN64 ~= ProgramPath OR MACHINE_RUN64 ~<< ProgramQuoted) OR OtherPath AND (MACHINE_RUN64 ~= OtherPath OR MACHINE_RUN64 ~<< OtherQuoted))', 3511)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveMachineRunValue32', 'MACHINE_RUN32 AND ((Uninstalling OR START_WITH_WINDOWS = "0") AND (MACHINE_RUN32 ~= ProgramPath OR MACHINE_RUN32 ~<< ProgramQuoted) OR OtherPath AND (MACHINE_RUN32 ~= OtherPath OR MACHINE_RUN32 ~<< OtherQuoted))', 3512)


-- Task Manager's switches of the Run values removed above (StartupApproved,
-- in the 64-bit view), which mean nothing without them: each goes where its
-- Run value goes. The switch of the machine-wide 32-bit view's value is Run32
-- on 64-bit Windows; 32-bit Windows has one Run key, whose switch is Run.
-- The machine-wide values' conditions are repeated in a property each (type
-- 51), which keeps the switches' own conditions short. Run as the Run
-- values' removals are. A value moved to the other architecture's program
-- (MovingRunValue, product.wxs) keeps its switch: it stays where the moved
-- value is written again, or moves with it (presets.sql).
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('SetMachineRunRemoved', 51, 'MachineRunRemoved', '1')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('SetMachineRun32Removed', 51, 'MachineRun32Removed', '1')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveUserSwitch', 1122, 'SystemFolder', '"[SystemFolder]reg.exe" delete HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run /v BackdropCarousel /f')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveMachineSwitch', 3170, 'SystemFolder', '"[SystemFolder]reg.exe" delete HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run /v BackdropCarousel /f /reg:64')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RemoveMachineSwitch32', 3170, 'SystemFolder', '"[SystemFolder]reg.exe" delete HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run32 /v BackdropCarousel /f /reg:64')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('SetMachineRunRemoved', 'MACHINE_RUN64 AND ((Uninstalling OR START_WITH_WINDOWS = "0") AND (MACHINE_RUN64 ~= ProgramPath OR MACHINE_RUN64 ~<< ProgramQuoted) OR OtherPath AND (MACHINE_RUN64 ~= OtherPath OR MACHINE_RUN64 ~<< OtherQuoted))', 1006)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('SetMachineRun32Removed', 'MACHINE_RUN32 AND ((Uninstalling OR START_WITH_WINDOWS = "0") AND (MACHINE_RUN32 ~= ProgramPath OR MACHINE_RUN32 ~<< ProgramQuoted) OR OtherPath AND (MACHINE_RUN32 ~= OtherPath OR MACHINE_RUN32 ~<< OtherQuoted))', 1007)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveUserSwitch', 'Uninstalling AND (USER_RUN ~= ProgramPath OR USER_RUN ~<< ProgramQuoted)', 3513)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveMachineSwitch', '(MachineRunRemoved OR NOT VersionNT64 AND MachineRun32Removed) AND NOT MovingRunValue', 3514)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RemoveMachineSwitch32', 'VersionNT64 AND MachineRun32Removed AND NOT (MovingRunValue AND OwnSwitch = "Run32")', 3516)

-- The switches in reg.exe's words, for the commands that move them with
-- their values (presets.sql, win32.sql).
INSERT INTO `Property` (`Property`, `Value`) VALUES ('RunSwitch', 'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run /v BackdropCarousel /reg:64')
INSERT INTO `Property` (`Property`, `Value`) VALUES ('Run32Switch', 'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run32 /v BackdropCarousel /reg:64')

-- A rollback puts the Run values and switches back as they were: a cancelled
-- or failed installation, upgrade, move or uninstall leaves none of the
-- changes above (nor those of presets.sql and win32.sql). Before the first
-- of them, reg.exe copies the keys they change, the Run key and Task
-- Manager's switches (Approved), in both registry views, under a key of the
-- package's own (MachineCopy, UserCopy); a rollback action, sequenced
-- before the changes as Windows Installer asks, deletes the
-- BackdropCarousel values there (CopiedKeys) and copies the keys back,
-- which brings back exactly the values and switches there were, and none
-- that there were not; a commit action deletes the copy once the
-- installation has succeeded. The copy of the Run key, which Windows always
-- has, tells the rollback that there is one to put back.
-- The copy starts clean: any copy already there is deleted first. One is
-- left behind by an installation cancelled while it copied (its rollback
-- action is not yet scheduled) or whose commit action failed (its result is
-- ignored), and merged into, it would bring back values deleted since.
-- The copy is made whenever rollback is enabled, whatever the installation
-- changes, so that every change sequenced after it has its rollback without
-- a condition of its own, also one added later (the installers' test checks
-- the order). Windows Installer runs neither rollback nor commit actions
-- where rollback is disabled, so nothing is copied then. The current
-- user's keys are copied as the user (impersonated, 1122; rollback 1378 adds
-- 256, commit 1634 adds 512); the machine's not impersonated (3170, 3426,
-- 3682), as the system in a per-machine installation and as the user in a
-- per-user one, where without administrator rights reg.exe may change
-- neither the machine's keys nor their copy, and neither may the changes.
INSERT INTO `Property` (`Property`, `Value`) VALUES ('Machine', 'HKLM\Software\Microsoft\Windows\CurrentVersion')
INSERT INTO `Property` (`Property`, `Value`) VALUES ('User', 'HKCU\Software\Microsoft\Windows\CurrentVersion')
INSERT INTO `Property` (`Property`, `Value`) VALUES ('MachineCopy', 'HKLM\Software\BackdropCarouselRollback')
INSERT INTO `Property` (`Property`, `Value`) VALUES ('UserCopy', 'HKCU\Software\BackdropCarouselRollback')
INSERT INTO `Property` (`Property`, `Value`) VALUES ('Approved', 'Explorer\StartupApproved')
INSERT INTO `Property` (`Property`, `Value`) VALUES ('CopiedKeys', 'Run Explorer\StartupApproved\Run Explorer\StartupApproved\Run32')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('SaveUserRunValues', 1122, 'SystemFolder', '"[SystemFolder]cmd.exe" /d /c reg delete [UserCopy] /f & reg copy [User]\Run [UserCopy]\Keys\Run /f & reg copy [User]\[Approved] [UserCopy]\Keys\[Approved] /s /f')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RestoreUserRunValues', 1378, 'SystemFolder', '"[SystemFolder]cmd.exe" /d /c reg query [UserCopy] && (for %k in ([CopiedKeys]) do reg delete [User]\%k /v BackdropCarousel /f) & reg copy [UserCopy]\Keys [User] /s /f & reg delete [UserCopy] /f')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('ForgetUserRunValues', 1634, 'SystemFolder', '"[SystemFolder]reg.exe" delete [UserCopy] /f')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('SaveMachineRunValues', 3170, 'SystemFolder', '"[SystemFolder]cmd.exe" /d /c for %v in (/reg:64 /reg:32) do (reg delete [MachineCopy] /f %v & reg copy [Machine]\Run [MachineCopy]\Keys\Run /f %v & reg copy [Machine]\[Approved] [MachineCopy]\Keys\[Approved] /s /f %v)')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RestoreMachineRunValues', 3426, 'SystemFolder', '"[SystemFolder]cmd.exe" /d /c for %v in (/reg:64 /reg:32) do (reg query [MachineCopy] %v && (for %k in ([CopiedKeys]) do reg delete [Machine]\%k /v BackdropCarousel /f %v) & reg copy [MachineCopy]\Keys [Machine] /s /f %v & reg delete [MachineCopy] /f %v)')
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('ForgetMachineRunValues', 3682, 'SystemFolder', '"[SystemFolder]cmd.exe" /d /c for %v in (/reg:64 /reg:32) do reg delete [MachineCopy] /f %v')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('SaveUserRunValues', 'NOT RollbackDisabled', 3501)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RestoreUserRunValues', 'NOT RollbackDisabled', 3502)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('ForgetUserRunValues', 'NOT RollbackDisabled', 3503)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('SaveMachineRunValues', 'NOT RollbackDisabled', 3504)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RestoreMachineRunValues', 'NOT RollbackDisabled', 3505)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('ForgetMachineRunValues', 'NOT RollbackDisabled', 3506)
