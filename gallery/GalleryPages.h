#pragma once

// One function per page of the gallery; each writes its views, light and dark.
namespace GalleryPages {

void designComponents();
void designIndicators();
void designBrand();
void designBasics();
void providerViews();
void panelConversation();
void panelHeaderAndQuotes();
void panelProjectMenu();
void panelStatusLines();
void panelPhases();
void panelCards();
void panelSmallScreens();
void settingsTabs();
void onboardingSteps();
void windowsOnSmallScreens();
void dictationDisplay();
void trayMenu();
void shortcutConflict();
void undoToast();

}  // namespace GalleryPages
