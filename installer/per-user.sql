-- The per-user package only: %LocalAppData%\Programs, which installing may
-- have made, is removed with the program once nothing else is in it, as
-- everything made in the user's profile must be. wixl writes such a row only
-- for a component's own folder, so msibuild adds it.
-- One statement a line, no semicolons; lines starting with -- are left out.
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `DirProperty`, `InstallMode`) VALUES ('UserProgramsFolder', 'Program', 'UserProgramsFolder', 2)
