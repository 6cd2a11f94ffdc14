; Called from INIT: the text scene. Mina talks in her room, while the narrator's box beside her
; tells the player what to try. The scene runs twice: the second time every line has been read,
; so holding Ctrl skips them, up to the one line that is new.
;
; Layers: 0 the two window frames, 1 Mina, 2 the click-wait mark's frames (never shown itself;
; the choice cursor uses them too), 3 the room, 4 the system buttons' looks. Masks: 0 Mina's
; silhouette, 2 the frames' glass, 3 the mark's diamonds, 4 the buttons' plates. The save/load
; screen (SAVESCREEN) and the history (LOG) borrow layer 5 for their panels; layer 6 and mask 6
; hold the history's voice icon.
; Window 0 is the narrator's box at the top left, window 1 Mina's along the bottom, window 2 the
; right-click screen's menu (RCLICK), window 3 writes the save/load screen's slots, window 4
; lays out the history's pages. Each line's read flag is a common flag of its own. Game int
; 21 counts the runs through the scene; game int 23 holds Mina's question's answer.
;
; A row of system buttons stands at the top right: skip (also Space), the voice again, the
; history (also the wheel turned forward), save and load, which open the save/load screen. The right button or Escape opens the right-click screen. Each save is named
; after the part of the scene it was made in (SetSaveTitle).
;
; A line that starts a page begins with \p; one that goes on below the last begins with \n.
; The first line of each window in a run has neither: the windows are made anew for each run,
; and their first page is opened before the scene fades in.
; Around a voiced line the pages end with the lines themselves instead (see there).

    call SetWindowsOnTop(1)

    call LoadMask(2, "window_m")
    call LoadMask(3, "clickmark_m")
    call LoadLayer(2, "clickmark")
    call SetLayerMask(2, 3)
    call SetLayerVisible(2, 0)

    ; The system buttons: their looks in layer 4, each calling a script of its own.
    call LoadMask(4, "buttons_m")
    call LoadLayer(4, "buttons")
    call SetLayerMask(4, 4)
    call InitSystemButtons(5)
    call SetSystemButtonLayer(4)
    call SetSystemButton(0, 256, 8, 0, 0, 70, 26, "SKIP")
    call SetSystemButton(1, 330, 8, 0, 26, 70, 26, "VOICEBTN")
    call SetSystemButton(2, 404, 8, 0, 52, 70, 26, "LOG")
    call SetSystemButton(3, 478, 8, 0, 78, 70, 26, "SAVE")
    call SetSystemButton(4, 552, 8, 0, 104, 70, 26, "LOAD")
    call SetSystemButtonSound(0, 3, "SE_HOVER", 1, "SE_CLICK")
    call SetSystemButtonSound(1, 3, "SE_HOVER", 1, "SE_CLICK")
    call SetSystemButtonSound(2, 3, "SE_HOVER", 1, "SE_CLICK")
    call SetSystemButtonSound(3, 3, "SE_HOVER", 1, "SE_CLICK")
    call SetSystemButtonSound(4, 3, "SE_HOVER", 1, "SE_CLICK")
    call SetSystemButtonShown(0, 1)
    call SetSystemButtonShown(1, 1)
    call SetSystemButtonShown(2, 1)
    call SetSystemButtonShown(3, 1)
    call SetSystemButtonShown(4, 1)
    call SetSystemButtonEnabled(0, 1)
    call SetSystemButtonEnabled(1, 1)
    call SetSystemButtonEnabled(2, 1)
    call SetSystemButtonEnabled(3, 1)
    call SetSystemButtonEnabled(4, 1)
    call SetSpaceButton(0)
    call SetWheelButton(2)

    ; The history: its pages laid out by window 4 over the panel in layer 5, the voice icon in
    ; layer 6 (normal and lit up side by side, 24 x 24).
    call LoadLayer(6, "voiceicon")
    call LoadMask(6, "voiceicon_m")
    call SetLayerMask(6, 6)
    call SetHistoryLayout(4, 5)
    call SetHistoryVoiceIcon(6, 0, 0, 24, 24)
    call SetRightClickEnabled(1)

    ; The choice cursor: the click-wait mark's frames, hopping beside the line under the pointer.
    call SetAnimation(1, 2, 0, 0, 0, 0, 24, 24, 4, 120)
    call SetAnimationEnabled(1, 1)

scene:
    ; Five windows with every setting from scratch, so a second run starts on empty pages.
    call SetMessageWindowCount(5)
    call SetSaveTitle("ミナの部屋")

    call SetMessageFont(0, "ＭＳ 明朝", 22, 400)
    call SetMessageTextColor(0, 240, 236, 222)
    call SetMessageShadowColor(0, 10, 12, 30)
    call SetMessageShadowOffset(0, 1, 1)
    call SetMessageShadow(0, 1)
    call SetMessageWindowRect(0, 16, 16, 340, 300, 36, 36, 276, 264)
    call SetMessageSpacing(0, 0, 6)   ; window, character spacing, line spacing
    call SetMessageSpeed(0, 40)

    call SetMessageFont(1, "ＭＳ ゴシック", 24, 400)
    call SetMessageTextColor(1, 255, 255, 255)
    call SetMessageShadowColor(1, 30, 20, 60)
    call SetMessageShadowOffset(1, 2, 2)
    call SetMessageShadow(1, 1)
    ; Twenty cells of 26 pixels a line and three lines; a hanging "。" still ends inside the frame.
    call SetMessageWindowRect(1, 16, 328, 608, 140, 48, 346, 520, 96)
    call SetMessageSpacing(1, 0, 6)
    call SetMessageSpeed(1, 30)
    call SetMessageHangingPunctuation(1, 1)
    call SetMessageBracketIndent(1, 1)
    call SetMessageWindowVoiceChannel(1, 2)

    ; The right-click screen's menu, on the card of its picture.
    call SetMessageFont(2, "ＭＳ ゴシック", 24, 400)
    call SetMessageTextColor(2, 250, 246, 255)
    call SetMessageShadowColor(2, 20, 10, 40)
    call SetMessageShadowOffset(2, 2, 2)
    call SetMessageWindowRect(2, 160, 140, 320, 200, 196, 168, 260, 150)
    call SetMessageSpacing(2, 0, 10)

    ; The save/load screen's slot texts: the rectangle's corner is where the text starts inside
    ; each slot, right of its thumbnail.
    call SetMessageFont(3, "ＭＳ ゴシック", 14, 400)
    call SetMessageTextColor(3, 236, 240, 255)
    call SetMessageShadowColor(3, 10, 12, 30)
    call SetMessageShadowOffset(3, 1, 1)
    call SetMessageShadow(3, 1)
    call SetMessageWindowRect(3, 172, 14, 140, 120, 172, 14, 140, 120)
    call SetMessageSpacing(3, 0, 8)

    ; The history's pages: each takes the height of its own window's text area, newest at the
    ; bottom; a voice is replayed on channel 2.
    call SetMessageFont(4, "ＭＳ ゴシック", 20, 400)
    call SetMessageTextColor(4, 240, 240, 250)
    call SetMessageShadowColor(4, 0, 0, 20)
    call SetMessageShadowOffset(4, 1, 1)
    call SetMessageShadow(4, 1)
    call SetMessageWindowRect(4, 40, 44, 584, 428, 76, 52, 528, 412)
    call SetMessageSpacing(4, 0, 6)
    call SetMessageWindowVoiceChannel(4, 2)

    ; A new window's pen stands at the screen's top-left, and setting the rectangle does not move
    ; it: an empty page, kept out of the log, brings it to the start of the text area.
    call SetMessageLogPages(0, 0)
    call SetMessageLogPages(1, 0)
    call MessageFlowReady(0, "\p", 0, 14)
    call MessageFlowReady(1, "\p", 0, 15)
    call SetMessageLogPages(0, 1)
    call SetMessageLogPages(1, 1)

    ; The room as it was, Mina on the right, and the frames over both. The frames stay out of
    ; the peek at the picture.
    call SetLayerBlend(3, -1, 0)
    call LoadLayer(1, "chara")
    call SetLayerSourceRect(1, 0, 0, -1, -1)
    call SetLayerPosition(1, 330, 30)
    call SetLayerMask(1, 0)
    call SetLayerBlend(1, -1, 0)
    call SetLayerVisible(1, 1)
    call LoadLayer(0, "window")
    call SetLayerSourceRect(0, 0, 0, -1, -1)
    call SetLayerPosition(0, 0, 0)
    call SetLayerMask(0, 2)
    call SetLayerBlend(0, -1, 0)
    call SetLayerVisible(0, 1)
    call SetLayerHidden(0, 1)
    call StartupGraphicEffect(0, 24, false, 3)
    call SetWindowTitle("vura デモ: 文章")

    ; The click-wait mark hops in the corner of the window that waits.
    call SetAnimation(0, 2, 328, 288, 0, 0, 24, 24, 4, 120)
    call SetAnimationEnabled(0, 1)
    call MessageFlowReady(0, "夕方、ミナの部屋。\n\nここからは文章のデモです。クリックで先へ進みます。文字が出ている途中でクリックすると、そのページの残りがすぐに出ます。\w", 0, 0)

    call SetAnimation(0, 2, 590, 436, 0, 0, 24, 24, 4, 120)
    call MessageFlowReady(1, "「{str:3}、来てくれたんだ。いらっしゃい！」\w", 0, 1)
    call MessageFlowReady(1, "\n「わたしはミナ。この下の窓で話すのがわたしで、左の窓が地の文だよ」\w", 0, 2)
    ; The first line ends one cell early, so its "、" hangs past the edge; so does the "。" of the
    ; indented second line. The page ends with the click, before the voiced line starts: a voice
    ; is logged with the page that is open when its line starts.
    call MessageFlowReady(1, "\p「句読点がちょうど行の終わりに来たときは、こうやって枠の外へ少しはみ出して書くの。折り返した行は、一字下げて始まるよ」\w\p", 0, 3)

    call SetAnimation(0, 2, 328, 288, 0, 0, 24, 24, 4, 120)
    call MessageFlowReady(0, "\p次のミナの台詞には声がついています。声は、クリックして次へ進むまで続きます。\w", 0, 5)
    call SetAnimation(0, 2, 590, 436, 0, 0, 24, 24, 4, 120)
    ; Her page ends with its click too, so the history shows the voice's icon beside this line.
    call MessageFlowReady(1, "VOICE2", "「ねえ、聞こえる？　これがわたしの声」\w\p", 3, 4)

    ; The voice again and the peek, on the first run only.
    LoadVar 21 0
    JumpIfTrue 0 firstRunDone
    call SetAnimation(0, 2, 328, 288, 0, 0, 24, 24, 4, 120)
    call MessageFlowReady(0, "\pクリックすると、今の声をもう一度流します。\w", 0, 6)
    call ReplayMsgBoxSound(1)
    call MessageFlowReady(0, "\p次のクリックで、文章の窓を消して絵だけを見せます。もう一度クリックすると戻ります。\w", 0, 7)
    call MessageWindowPeek()
firstRunDone:

    ; Mina asks, and the answer picks what follows. The menu logs the page with its choices
    ; and empties it, so the answer starts the next page without a page break.
    call SetAnimation(0, 2, 590, 436, 0, 0, 24, 24, 4, 120)
    call MessageFlowReady(1, "「ねえ、窓の外、どっちが見たい？」\n", 0, 16)
    call ChoiceMenuReady(1, gi[23], "夕焼け", "星空", 4)
    LoadVar 23 0
    JumpIfTrue 0 stars

    ; Evening falls while Mina's line stays on the screen.
    call SetSaveTitle("夕焼けの窓")
    call MessageFlowReady(1, "「あ、見て。外がもう暗くなってきた」\w", 0, 8)
    call SetLayerBlend(3, 0, -90)
    call SetLayerBlend(1, 0, -50)
    call StartupGraphicEffect(0, 48, false, 3)
    Jump 0 nightfall

stars:
    ; Or night, deeper, with the stars out.
    call SetSaveTitle("星空の窓")
    call MessageFlowReady(1, "「じゃあ夜まで待とう。ほら、もう星が出てる」\w", 0, 17)
    call SetLayerBlend(3, 0, -150)
    call SetLayerBlend(1, 0, -90)
    call StartupGraphicEffect(0, 48, false, 3)

nightfall:

    call SetAnimation(0, 2, 328, 288, 0, 0, 24, 24, 4, 120)
    call MessageFlowReady(0, "\p画面が切り替わる間も、窓の文字は消えずに残ります。\w", 0, 9)
    call SetMessageWindowInstant(0, 1)
    call MessageFlowReady(0, "\pこのページは、文字送りをせずに一度に出しました。\w", 0, 10)
    call SetMessageWindowInstant(0, 0)

    call SetAnimation(0, 2, 590, 436, 0, 0, 24, 24, 4, 120)
    call MessageFlowReady(1, "\p「今日はここまで。また来てね」\w", 0, 11)

    call SetAnimation(0, 2, 328, 288, 0, 0, 24, 24, 4, 120)
    LoadVar 21 0
    JumpIfTrue 0 finale
    PushRef 21 0
    PushConst 0 1
    Assign
    Pop
    call MessageFlowReady(0, "\pもう一度はじめから流します。今度はCtrlを押したままにしてみてください。一度読んだ文章は飛ばされ、まだ読んでいない文章で止まります。\w", 0, 12)
    Jump 0 scene

finale:
    call MessageFlowReady(0, "\pおしまいです。\nクリックで終わります。\w", 0, 13)
    Return
