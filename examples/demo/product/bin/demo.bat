@echo off
rem Corvid Demo: shows its word list
type "%~dp0data\words.txt" | more
