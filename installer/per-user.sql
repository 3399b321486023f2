-- The per-user package only: %LocalAppData%\Programs, which installing may
-- have made, is removed with the program once nothing else is in it, as
-- everything made in the user's profile must be. wixl writes such a row only
-- for a component's own folder, so msibuild adds it.
-- One statement a line, no semicolons; lines starting with -- are left out.
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `DirProperty`, `InstallMode`) VALUES ('UserProgramsFolder', 'Program', 'UserProgramsFolder', 2)

-- An interactive install ends as a first start does, with the program's
-- window, so that a double-click on the package does not end in silence.
-- Only at the full user interface (UILevel 5), which a double-click and
-- msiexec without /q give. The InstallUISequence runs only at the full and
-- reduced levels; what follows ExecuteAction there runs once the
-- installation has succeeded, in the msiexec process of the user who
-- started it, not in the installer's service, so the program runs with that
-- user's own rights. Silent and basic installs (/qn, /qb, /passive, as
-- deployment tools and winget run them) skip the sequence, and the reduced
-- one (/qr) is no double-click: they start nothing. Only a first
-- install or an upgrade (not Installed) that installs the program
-- ($Program = 3, local), not a repair or a removal. Type 210: the installed
-- file BackdropCarousel.exe (18), run asynchronously without waiting for it
-- (192), so msiexec ends while the program runs; a program already running
-- is shown by the one started here, which then ends. The machine package
-- starts nothing: its msiexec may be elevated, and so would the program be.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`) VALUES ('StartProgram', 210, 'BackdropCarousel.exe')
INSERT INTO `InstallUISequence` (`Action`, `Condition`, `Sequence`) VALUES ('StartProgram', 'UILevel = 5 AND NOT Installed AND $Program = 3', 1301)
