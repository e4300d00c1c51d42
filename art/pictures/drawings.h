// The drawings of the picture set, by kind. Each returns a picture at its catalogue size.
#pragma once

#include <QImage>

namespace art {

QImage DrawTilePicture(int index);       // 0..179
QImage DrawMainButton(int number);       // 101..120, small 381..398
QImage DrawDialogButton(int number);     // 130..137
QImage DrawOperationButton(int number);  // 144..158
QImage DrawStoreButton(bool hover);      // 450, 451
QImage DrawDieFace(int face);            // 1..6
QImage DrawTumblingDie(int frame);       // 0..9
QImage DrawSmallDie(int face);           // 1..6
QImage DrawPortrait(int index);          // 0..9 male, 10..19 female
QImage DrawEmptySeat();
QImage DrawTable(bool small);
QImage DrawTopBar(bool small);
QImage DrawWord(int index);     // 0..7: 吃 碰 杠 暗杠 红中杠 Tesk杠 开杠 胡
QImage DrawBalloon(int index);  // 0..4
QImage DrawSpeakBalloon();
QImage DrawPanelPicture(int id);  // the other named pictures

}  // namespace art
